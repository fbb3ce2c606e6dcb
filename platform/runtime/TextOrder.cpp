#include "TextOrder.h"

#include <QHash>
#include <QLocale>
#include <QMutex>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace Platform {

namespace {

QLocale ProgramLocale() {
    // A process that never set its language (a helper program, a test) sorts
    // as the program does: the C locale would order by character codes, and
    // its keys would not even agree with its comparison on case.
    const QLocale locale;
    return locale.language() == QLocale::C ? QLocale(QLocale::Italian, QLocale::Italy) : locale;
}

constexpr std::uint32_t kOther = 0xFFFFFFFFu;
constexpr char16_t kPlainEnd = 0x0180;  // Latin-1 and Latin Extended-A

}  // namespace

// The characters whose place in the order is plain: one weight that orders
// them among themselves (the same for both cases of a letter), and one for
// the accent, which counts only between texts equal but for their accents.
// The printable ASCII characters and the letters made of one of them and one
// accent; each place is read from the collator itself and checked, and a
// character that does not behave so is left to the collator.
struct TextOrder::Plain {
    std::array<std::uint8_t, kPlainEnd> primary{};  // 0: not plain
    std::array<std::uint8_t, kPlainEnd> accent{};
};

TextOrder::TextOrder() : collator_(ProgramLocale()) {
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
    collator_.setNumericMode(false);
    collator_.setIgnorePunctuation(false);
}

TextOrder::~TextOrder() = default;

const TextOrder::Plain& TextOrder::PlainCharacters() const {
    if (plain_) return *plain_;
    // Read once a language: it takes a thousand comparisons, more than a
    // short list's sort.
    static QMutex guard;
    static QHash<QString, std::shared_ptr<const Plain>> known;
    const QString language = collator_.locale().bcp47Name();
    const QMutexLocker lock(&guard);
    std::shared_ptr<const Plain>& cached = known[language];
    if (!cached) cached = ReadPlain();
    plain_ = cached;
    return *plain_;
}

std::shared_ptr<const TextOrder::Plain> TextOrder::ReadPlain() const {
    auto made = std::make_shared<Plain>();
    Plain& plain = *made;
    // The languages whose order of Latin letters is the common one, with no
    // letter of their own and no pair of letters read as one.
    const QLocale::Language language = collator_.locale().language();
    if (language != QLocale::Italian && language != QLocale::English) return made;
    auto text = [](std::initializer_list<char16_t> chars) {
        return QString(reinterpret_cast<const QChar*>(chars.begin()), qsizetype(chars.size()));
    };
    auto compare = [&](std::initializer_list<char16_t> a, std::initializer_list<char16_t> b) {
        return collator_.compare(text(a), text(b));
    };

    std::vector<char16_t> ascii;
    for (char16_t c = 0x20; c < 0x7F; ++c) ascii.push_back(c);
    std::stable_sort(ascii.begin(), ascii.end(), [&](char16_t a, char16_t b) { return compare({a}, {b}) < 0; });
    // Classes of characters equal to the collator (the two cases of a letter).
    std::vector<char16_t> classes;
    for (char16_t c : ascii) {
        if (classes.empty() || compare({classes.back()}, {c}) != 0) classes.push_back(c);
        plain.primary[c] = std::uint8_t(classes.size());
    }
    // Each class must be one weight of the first level, after the one before
    // it whatever follows: a character read as two, or as none, would fail.
    const char16_t least = classes.front(), most = classes.back();
    bool sound = compare({least, least}, {least}) > 0;
    for (size_t i = 1; sound && i < classes.size(); ++i)
        sound = compare({classes[i - 1], most}, {classes[i], least}) < 0;
    if (!sound) {
        plain.primary.fill(0);
        return made;
    }

    // The accented letters: an ASCII letter and one accent, the accent ranked
    // among the others on the same letter.
    struct Accented {
        char16_t letter, base, mark;
    };
    std::vector<Accented> letters;
    std::vector<char16_t> marks;
    for (char16_t c = 0x00C0; c < kPlainEnd; ++c) {
        const QChar ch(c);
        if (ch.decompositionTag() != QChar::Canonical) continue;
        const QString d = ch.decomposition();
        if (d.size() != 2 || d[0].unicode() >= 0x80 || !d[0].isLetter() || d[1].unicode() < 0x0300 ||
            d[1].unicode() > 0x036F)
            continue;
        letters.push_back({c, d[0].unicode(), d[1].unicode()});
        if (std::find(marks.begin(), marks.end(), d[1].unicode()) == marks.end()) marks.push_back(d[1].unicode());
    }
    std::stable_sort(marks.begin(), marks.end(), [&](char16_t a, char16_t b) { return compare({u'a', a}, {u'a', b}) < 0; });
    std::array<std::uint8_t, 0x70> markRank{};
    std::uint8_t rank = 0;
    for (size_t i = 0; i < marks.size(); ++i) {
        const char16_t m = marks[i];
        // An accent weighs after no accent, and only once the letters are equal.
        if (compare({u'a', m}, {u'a'}) <= 0 || compare({u'a', m, u'a'}, {u'a', u'b'}) >= 0) continue;
        if (rank == 0 || compare({u'a', marks[i - 1]}, {u'a', m}) != 0) ++rank;
        markRank[m - 0x0300] = rank;
    }
    for (const Accented& l : letters) {
        const std::uint8_t r = markRank[l.mark - 0x0300];
        if (r == 0 || plain.primary[l.base] == 0) continue;
        if (compare({l.letter}, {l.base, l.mark}) != 0 || compare({l.letter, least}, {l.base, most}) >= 0 ||
            compare({l.base, least}, {l.letter, most}) >= 0)
            continue;
        plain.primary[l.letter] = plain.primary[l.base];
        plain.accent[l.letter] = r;
    }
    return made;
}

// ------------------------------------------------------------------- Keys

void TextOrder::Keys::Start(const TextOrder& order, size_t count, size_t characters) {
    order_ = &order;
    texts_.clear();
    texts_.reserve(count);
    keys_.clear();
    keys_.reserve(count);
    used_ = 0;
    Reserve(2 * characters + count);
    others_ = 0;
    settled_ = false;
    collated_.clear();
}

void TextOrder::Keys::Reserve(size_t bytes) {
    if (used_ + bytes <= room_) return;
    const size_t room = std::max(used_ + bytes, 2 * room_);
    auto bigger = std::make_unique_for_overwrite<std::uint8_t[]>(room);
    if (used_) std::memcpy(bigger.get(), bytes_.get(), used_);
    bytes_ = std::move(bigger);
    room_ = room;
}

// A plain text's key: the first-level weights of its characters (never 0);
// then, when it has accents, a 0 and the accents of its characters up to the
// last accented one. Texts equal at the first level are ordered by their
// accents, none before any, and a text that is the beginning of another
// comes first.
void TextOrder::Keys::Add(QStringView text) {
    const Plain& plain = order_->PlainCharacters();
    texts_.push_back(text);
    const size_t n = size_t(text.size());
    Reserve(2 * n + 1);
    std::uint8_t* key = bytes_.get() + used_;
    const char16_t* chars = text.utf16();
    size_t accented = 0;  // characters up to the last accented one
    for (size_t k = 0; k < n; ++k) {
        const char16_t c = chars[k];
        if (c >= kPlainEnd || plain.primary[c] == 0) {
            keys_.push_back({0, 0, kOther});
            ++others_;
            return;
        }
        key[k] = plain.primary[c];
        if (plain.accent[c]) accented = k + 1;
    }
    size_t size = n;
    if (accented) {
        key[size++] = 0;
        for (size_t k = 0; k < accented; ++k) key[size++] = plain.accent[chars[k]];
    }
    std::uint64_t head = 0;
    for (size_t k = 0; k < 8; ++k) head = head << 8 | (k < size ? key[k] : 0);
    keys_.push_back({head, std::uint32_t(used_), std::uint32_t(size)});
    used_ += size;
}

// Texts the collator compares one by one cost its work on every comparison;
// past about one in log2(n) of them, every text gets the collator's key.
void TextOrder::Keys::Settle() const {
    settled_ = true;
    const size_t n = keys_.size();
    if (others_ == 0 || double(others_) * std::log2(double(std::max<size_t>(n, 2))) <= double(n)) return;
    collated_.reserve(n);
    for (QStringView text : texts_) collated_.push_back(order_->collator_.sortKey(text.toString()));
}

int TextOrder::Keys::Compare(size_t i, size_t j) const {
    if (!settled_) Settle();
    if (!collated_.empty()) return collated_[i].compare(collated_[j]);
    const Key& a = keys_[i];
    const Key& b = keys_[j];
    if (a.size == kOther || b.size == kOther) return order_->Compare(texts_[i], texts_[j]);
    if (a.head != b.head) return a.head < b.head ? -1 : 1;
    const int c = std::memcmp(bytes_.get() + a.start, bytes_.get() + b.start, std::min(a.size, b.size));
    return c != 0 ? c : a.size < b.size ? -1 : a.size > b.size ? 1 : 0;
}

}  // namespace Platform
