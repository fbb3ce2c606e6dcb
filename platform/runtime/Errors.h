#pragma once
// Numbered errors as the program's procedures raise and trap them, and the
// "current error" that error boxes read.

#include <QString>
#include <stdexcept>

namespace Platform {

class BasicError : public std::runtime_error {
public:
    BasicError(long number, const QString& description, const QString& source = QString());
    long Number() const { return number_; }
    const QString& Description() const { return description_; }
    const QString& Source() const { return source_; }

private:
    long number_;
    QString description_;
    QString source_;
};

struct ErrObject {
    long Number = 0;
    QString Description;
    QString Source;
    void Clear();
    void Set(long number, const QString& description, const QString& source = QString());
    void Set(const BasicError& e);
    // Any other exception: number 5 (invalid procedure call) with its text;
    // memory running out is number 7.
    void Set(const std::exception& e);
    [[noreturn]] void Raise(long number, const QString& description = QString(),
                            const QString& source = QString());
};

// The current error of the user-interface thread (Basic's Err).
ErrObject& Err();

// The runtime's own description of a numbered error, in Italian ("" for a
// number it does not know). An error raised or set without a description
// gets this one, so that no error box shows a bare number.
QString ErrorText(long number);

// The runtime's number for a file operation the system refused with
// `systemError` (errno): 61 for a full disk (a quota or a size limit too),
// 70 refused, 76 no such path, 75 not a file, else 57. Its ErrorText is
// what the user reads; the system's own words are English.
long FileErrorNumber(int systemError);

}  // namespace Platform
