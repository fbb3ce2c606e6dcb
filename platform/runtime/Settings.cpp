#include "Settings.h"

#include "Files.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>

namespace Platform {

namespace {

QString gSettingsFolder;

// One section of a store or INI file, in file order; names keep the case
// they were first written with, look-ups ignore it.
struct Section {
    QString name;
    QList<QPair<QString, QString>> entries;
    int Find(const QString& key) const {
        for (int i = 0; i < entries.size(); ++i)
            if (entries[i].first.compare(key, Qt::CaseInsensitive) == 0) return i;
        return -1;
    }
};

// How a file's text was written, so that a rewrite keeps it that way.
enum class Encoding { Ascii, Utf8, Utf8Bom, Windows1252 };

const QByteArray kBom("\xEF\xBB\xBF");

QString DecodeText(const QByteArray& raw, Encoding* encoding = nullptr) {
    const bool bom = raw.startsWith(kBom);
    const QByteArray bytes = bom ? raw.mid(kBom.size()) : raw;
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (!utf8.hasError()) {
        if (encoding) {
            bool ascii = true;
            for (char c : bytes) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
            *encoding = bom ? Encoding::Utf8Bom : ascii ? Encoding::Ascii : Encoding::Utf8;
        }
        return text;
    }
    // Files written by Windows tools are in its Western code page.
    if (encoding) *encoding = Encoding::Windows1252;
    return QStringDecoder("windows-1252").decode(raw);
}

// The text in the file's own encoding; false when that encoding cannot hold
// it (a character outside the Windows code page in a file written in it).
// A file of plain ASCII takes the Windows code page when it can, as the
// Windows call writes, and UTF-8 otherwise.
bool EncodeText(const QString& text, Encoding encoding, QByteArray& out) {
    if (encoding == Encoding::Utf8) {
        out = text.toUtf8();
        return true;
    }
    if (encoding == Encoding::Utf8Bom) {
        out = kBom + text.toUtf8();
        return true;
    }
    QStringEncoder ansi("windows-1252");
    out = ansi.encode(text);
    if (!ansi.hasError()) return true;
    if (encoding == Encoding::Windows1252) return false;
    out = text.toUtf8();
    return true;
}

// Several programs read, change and rewrite the same file: each change is
// made whole under this lock, so that no writer loses another's keys.
class FileLock {
public:
    explicit FileLock(const QString& file) : lock_(file + QStringLiteral(".lock")) {
        // A lock left by a copy that died is taken over after this long.
        lock_.setStaleLockTime(30000);
        locked_ = lock_.tryLock(15000);
    }
    bool Locked() const { return locked_; }

private:
    QLockFile lock_;
    bool locked_ = false;
};

QString Escape(const QString& value) {
    QString out;
    for (QChar c : value) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

QString Unescape(const QString& value) {
    QString out;
    for (int i = 0; i < value.size(); ++i) {
        QChar c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            QChar n = value[++i];
            out += n == 'n' ? QChar('\n') : n == 'r' ? QChar('\r') : n;
        } else {
            out += c;
        }
    }
    return out;
}

// `readable` is false when the file is there but cannot be read: rewriting
// it then would lose what it holds.
QList<Section> ParseStore(const QString& file, bool escaped, bool* readable = nullptr) {
    QList<Section> sections;
    QFile f(file);
    if (readable) *readable = true;
    if (!f.open(QIODevice::ReadOnly)) {
        if (readable) *readable = !f.exists();
        return sections;
    }
    const QStringList lines = DecodeText(f.readAll()).split(QLatin1Char('\n'));
    Section* current = nullptr;
    for (QString line : lines) {
        if (line.endsWith('\r')) line.chop(1);
        QString trimmed = line.trimmed();
        if (trimmed.startsWith('[')) {
            int close = trimmed.indexOf(']');
            QString name = (close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1)).trimmed();
            current = nullptr;
            for (auto& s : sections)
                if (s.name.compare(name, Qt::CaseInsensitive) == 0) current = &s;
            if (!current) {
                sections.append(Section{name, {}});
                current = &sections.last();
            }
            continue;
        }
        if (!current || trimmed.isEmpty() || trimmed.startsWith(';')) continue;
        int eq = line.indexOf('=');
        if (eq < 0) continue;
        QString key = line.left(eq).trimmed();
        QString value = escaped ? Unescape(line.mid(eq + 1)) : line.mid(eq + 1).trimmed();
        if (current->Find(key) < 0) current->entries.append({key, value});
    }
    return sections;
}

// The store holds passwords (mail server, SMS account): only its owner may
// read it or list its folder.
bool WriteStore(const QString& file, const QList<Section>& sections) {
    QString text;
    for (const auto& s : sections) {
        text += "[" + s.name + "]\n";
        for (const auto& [k, v] : s.entries) text += k + "=" + Escape(v) + "\n";
        text += "\n";
    }
    return WriteWholeFile(file, text.toUtf8(), nullptr, OwnerOnly);
}

// The folder of the store, made when missing and closed to other users.
bool PrepareStoreFolder(const QString& file) {
    const QString folder = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(folder)) return false;
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                      QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    return true;
}

Section* FindSection(QList<Section>& sections, const QString& name) {
    for (auto& s : sections)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0) return &s;
    return nullptr;
}

QString StoreFile(const QString& appName) { return SettingsFolder() + "/" + appName + ".conf"; }

}  // namespace

QString SettingsFolder() {
    if (!gSettingsFolder.isEmpty()) return gSettingsFolder;
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty()) base = QDir::homePath() + "/.config";
    return base + "/Brivalto";
}

void SetSettingsFolder(const QString& folder) { gSettingsFolder = folder; }

QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue) {
    auto sections = ParseStore(StoreFile(appName), true);
    if (Section* s = FindSection(sections, section)) {
        int i = s->Find(key);
        if (i >= 0) return s->entries[i].second;
    }
    return defaultValue;
}

bool SaveSetting(const QString& appName, const QString& section, const QString& key, const QString& value) {
    const QString file = StoreFile(appName);
    if (!PrepareStoreFolder(file)) return false;
    FileLock lock(file);
    if (!lock.Locked()) return false;
    bool readable = true;
    auto sections = ParseStore(file, true, &readable);
    if (!readable) return false;
    Section* s = FindSection(sections, section);
    if (!s) {
        sections.append(Section{section, {}});
        s = &sections.last();
    }
    int i = s->Find(key);
    if (i >= 0) s->entries[i].second = value;
    else s->entries.append({key, value});
    return WriteStore(file, sections);
}

bool DeleteSetting(const QString& appName, const QString& section, const QString& key) {
    const QString file = StoreFile(appName);
    if (!QFileInfo::exists(file)) return true;
    FileLock lock(file);
    if (!lock.Locked()) return false;
    bool readable = true;
    auto sections = ParseStore(file, true, &readable);
    if (!readable) return false;
    for (int i = 0; i < sections.size(); ++i) {
        if (sections[i].name.compare(section, Qt::CaseInsensitive) != 0) continue;
        if (key.isEmpty()) {
            sections.removeAt(i);
        } else {
            int k = sections[i].Find(key);
            if (k < 0) return true;
            sections[i].entries.removeAt(k);
        }
        return WriteStore(file, sections);
    }
    return true;
}

QList<QPair<QString, QString>> GetAllSettings(const QString& appName, const QString& section) {
    auto sections = ParseStore(StoreFile(appName), true);
    if (Section* s = FindSection(sections, section)) return s->entries;
    return {};
}

QString GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                const QString& file, int bufferSize) {
    QString value = defaultValue;
    // The Windows call drops trailing blanks of the default too.
    while (value.endsWith(' ')) value.chop(1);
    auto sections = ParseStore(file, false);
    if (Section* s = FindSection(sections, section)) {
        int i = s->Find(key);
        if (i >= 0) {
            value = s->entries[i].second;
            // A value between matching quotes is returned without them.
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
                value = value.mid(1, value.size() - 2);
        }
    }
    // A NUL inside the value ends it, as it ends the C buffer.
    int nul = value.indexOf(QChar(0));
    if (nul >= 0) value.truncate(nul);
    if (bufferSize > 0 && value.size() > bufferSize - 1) value.truncate(bufferSize - 1);
    return value;
}

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& file) {
    // A line break would cut the entry in two and make up a key or a section.
    auto hasBreak = [](const QString& s) { return s.contains('\n') || s.contains('\r'); };
    if (hasBreak(section) || hasBreak(key) || hasBreak(value) || section.contains(']') || key.contains('=') ||
        key.trimmed().isEmpty())
        return false;
    FileLock lock(file);
    if (!lock.Locked()) return false;
    // Rewrites only the line concerned, so comments and order survive.
    QStringList lines;
    Encoding encoding = Encoding::Ascii;
    QFile in(file);
    if (in.open(QIODevice::ReadOnly)) lines = DecodeText(in.readAll(), &encoding).split('\n');
    else if (in.exists()) return false;  // unreadable: rewriting it would lose what it holds
    in.close();
    for (auto& l : lines)
        if (l.endsWith('\r')) l.chop(1);
    while (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();

    int sectionLine = -1, end = lines.size();
    for (int i = 0; i < lines.size(); ++i) {
        QString t = lines[i].trimmed();
        if (!t.startsWith('[')) continue;
        if (sectionLine >= 0) {
            end = i;
            break;
        }
        int close = t.indexOf(']');
        QString name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
        if (name.compare(section, Qt::CaseInsensitive) == 0) sectionLine = i;
    }
    QString entry = key + "=" + value;
    if (sectionLine < 0) {
        if (!lines.isEmpty()) lines.append(QString());
        lines.append("[" + section + "]");
        lines.append(entry);
    } else {
        bool done = false;
        for (int i = sectionLine + 1; i < end && !done; ++i) {
            int eq = lines[i].indexOf('=');
            if (eq >= 0 && lines[i].left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
                lines[i] = entry;
                done = true;
            }
        }
        if (!done) {
            int at = end;
            while (at > sectionLine + 1 && lines[at - 1].trimmed().isEmpty()) --at;
            lines.insert(at, entry);
        }
    }
    QByteArray bytes;
    if (!EncodeText(lines.join("\r\n") + "\r\n", encoding, bytes)) return false;
    return WriteWholeFile(file, bytes);
}

}  // namespace Platform
