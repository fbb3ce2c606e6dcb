#pragma once
// The order of texts in the program's lists: as people read them in the
// program's language (the default locale, which the start-up makes Italian),
// blind to case, an accented letter beside its plain one, digits and signs as
// characters (no numeric reading). Texts that differ in case alone compare
// equal, so a stable sort keeps their rows in the order they came. Every list
// that sorts text sorts through this.

#include <QCollator>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <vector>

namespace Platform {

class TextOrder {
public:
    TextOrder();
    ~TextOrder();

    // Negative, zero or positive as a comes before, with or after b.
    int Compare(QStringView a, QStringView b) const { return collator_.compare(a, b); }

    // The keys of many texts, each made once, for sorting them: Compare(i, j)
    // orders the i-th and j-th texts added as TextOrder::Compare orders them,
    // without the collator's work on every comparison. A text of the Latin
    // letters (accented or not), digits and signs, as names are, gets a key
    // of its own, cheap to make and compared as bytes; the few others are
    // compared by the collator, and when they are many every text gets the
    // collator's key. The texts must stay where they are while the keys live.
    // Starting over keeps the room the keys took, for the next sort.
    class Keys {
    public:
        // For `count` texts of `characters` characters in all, in `order`,
        // which must live as long as these keys are used.
        void Start(const TextOrder& order, size_t count, size_t characters);
        void Add(QStringView text);
        int Compare(size_t i, size_t j) const;

    private:
        struct Key {
            std::uint64_t head;         // its first eight bytes, the first compared
            std::uint32_t start, size;  // where it lies in bytes_; size kOther: the text has none
        };
        void Reserve(size_t bytes);
        void Settle() const;
        const TextOrder* order_ = nullptr;
        std::vector<QStringView> texts_;
        std::vector<Key> keys_;
        std::unique_ptr<std::uint8_t[]> bytes_;  // the plain texts' keys, one after another
        size_t used_ = 0, room_ = 0;
        size_t others_ = 0;
        mutable bool settled_ = false;
        mutable std::vector<QCollatorSortKey> collated_;  // every text's, when the others are many
    };

private:
    struct Plain;
    const Plain& PlainCharacters() const;
    std::shared_ptr<const Plain> ReadPlain() const;
    QCollator collator_;
    mutable std::shared_ptr<const Plain> plain_;
};

}  // namespace Platform
