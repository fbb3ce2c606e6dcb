#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

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

QString DecodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(bytes);  // files written by Windows tools
}

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

QList<Section> ParseStore(const QString& file, bool escaped) {
    QList<Section> sections;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return sections;
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

bool WriteStore(const QString& file, const QList<Section>& sections, bool escaped) {
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly)) return false;
    QString text;
    for (const auto& s : sections) {
        text += "[" + s.name + "]\n";
        for (const auto& [k, v] : s.entries) text += k + "=" + (escaped ? Escape(v) : v) + "\n";
        text += "\n";
    }
    f.write(text.toUtf8());
    return f.commit();
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

void SaveSetting(const QString& appName, const QString& section, const QString& key, const QString& value) {
    QString file = StoreFile(appName);
    auto sections = ParseStore(file, true);
    Section* s = FindSection(sections, section);
    if (!s) {
        sections.append(Section{section, {}});
        s = &sections.last();
    }
    int i = s->Find(key);
    if (i >= 0) s->entries[i].second = value;
    else s->entries.append({key, value});
    WriteStore(file, sections, true);
}

void DeleteSetting(const QString& appName, const QString& section, const QString& key) {
    QString file = StoreFile(appName);
    auto sections = ParseStore(file, true);
    for (int i = 0; i < sections.size(); ++i) {
        if (sections[i].name.compare(section, Qt::CaseInsensitive) != 0) continue;
        if (key.isEmpty()) {
            sections.removeAt(i);
        } else {
            int k = sections[i].Find(key);
            if (k < 0) return;
            sections[i].entries.removeAt(k);
        }
        WriteStore(file, sections, true);
        return;
    }
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
    // Rewrites only the line concerned, so comments and order survive.
    QStringList lines;
    QFile in(file);
    if (in.open(QIODevice::ReadOnly)) lines = DecodeText(in.readAll()).split('\n');
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
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return false;
    out.write((lines.join("\r\n") + "\r\n").toLatin1());
    return out.commit();
}

}  // namespace Platform
