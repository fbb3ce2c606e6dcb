// The LIKE matcher against a plain dynamic-programming reference: the same
// answer on every input, in time bounded by the lengths' product.
#include "ADODB.h"
#include "FuzzKit.h"

#include <cstdlib>
#include <vector>

namespace {
bool Reference(const QString& t, const QString& p) {
    std::vector<std::vector<char>> m(p.size() + 1, std::vector<char>(t.size() + 1, 0));
    m[0][0] = 1;
    for (qsizetype i = 1; i <= p.size(); ++i) {
        m[i][0] = p[i - 1] == '%' && m[i - 1][0];
        for (qsizetype j = 1; j <= t.size(); ++j) {
            if (p[i - 1] == '%') m[i][j] = m[i - 1][j] || m[i][j - 1];
            else m[i][j] = m[i - 1][j - 1] && (p[i - 1] == '_' || p[i - 1] == t[j - 1]);
        }
    }
    return m[p.size()][t.size()];
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Pattern and text are the two halves of the input, split at its first NUL.
    const QByteArray bytes = FuzzKit::Bytes(data, size);
    const qsizetype nul = bytes.indexOf('\0');
    const QString pattern = QString::fromUtf8(nul < 0 ? bytes : bytes.left(nul));
    const QString text = nul < 0 ? QString() : QString::fromUtf8(bytes.mid(nul + 1));
    if (ADODB::LikeMatch(text, pattern) != Reference(text, pattern)) std::abort();
    return 0;
}
