#include "DelimitedText.h"

#include "Values.h"

#include <QFile>

namespace DelimitedText {

void Read(const QString& text, QChar separator, Sink& sink) {
    //   Between --any--> InLine (BeginLine; the character read again)
    //   InLine --separator--> InLine (Field of the text so far)
    //   InLine --CR--> AfterCR, InLine --LF--> Between (last Field, EndLine)
    //   AfterCR --LF--> Between; AfterCR --other--> Between (character read again)
    // A line with no character at all has no field; the end of the text
    // closes a line begun.
    enum class S { Between, InLine, AfterCR } state = S::Between;
    QString field;
    int number = 0;
    bool empty = true;
    auto endLine = [&]() -> bool {
        if (!empty) sink.Field(field);
        field.clear();
        empty = true;
        return sink.EndLine();
    };
    const int size = int(text.size());
    for (int i = 0; i < size; ++i) {
        const QChar c = text[i];
        switch (state) {
        case S::Between:
            sink.BeginLine(++number);
            state = S::InLine;
            [[fallthrough]];
        case S::InLine:
            if (c == '\r') {
                state = S::AfterCR;
                if (!endLine()) return;
            } else if (c == '\n') {
                state = S::Between;
                if (!endLine()) return;
            } else if (c == separator) {
                sink.Field(field);
                field.clear();
                empty = false;
            } else {
                field += c;
                empty = false;
            }
            break;
        case S::AfterCR:
            state = S::Between;
            if (c != '\n') --i;
            break;
        }
    }
    if (state == S::InLine) endLine();
}

namespace {
class Collect : public Sink {
public:
    explicit Collect(int max) : max_(max) {}
    QList<QStringList> lines;
    void BeginLine(int) override { lines.append(QStringList()); }
    void Field(const QString& text) override { lines.last().append(text); }
    bool EndLine() override { return max_ <= 0 || lines.size() < max_; }

private:
    int max_;
};
}  // namespace

QList<QStringList> Lines(const QString& text, QChar separator, int maxLines) {
    Collect collect(maxLines);
    Read(text, separator, collect);
    return collect.lines;
}

QString Unquote(const QString& field) {
    if (field.size() >= 2 && field.startsWith('"') && field.endsWith('"')) return field.mid(1, field.size() - 2);
    return field;
}

bool LoadFile(const QString& path, QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    text = Platform::DecodeText(file.readAll());
    return true;
}

}  // namespace DelimitedText
