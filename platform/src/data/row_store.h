#pragma once
// Compact in-memory rows (private). Each column keeps one 64-bit cell per
// record in fixed-size chunks (no reallocation peaks while fetching) and a
// null bit; text lives in a shared arena that only grows (a cell holds the
// arena position), so text views stay valid until the store is reset.

#include "wardlock/data/db.h"

#include <QString>
#include <QVariant>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vcl::store {

enum class Kind : uint8_t { None, Int, Double, Bool, Text, Bytes };

// A growable array in chunks of 4096 elements. The first chunk starts small
// and doubles until it is full size, so that the many small results (one
// user, one setting) do not each zero-fill 32 KB per column.
template<typename T> class ChunkedVector {
public:
    static constexpr uint32_t kShift = 12;
    static constexpr uint32_t kChunk = 1u << kShift;
    static constexpr uint32_t kFirstCapacity = 16;

    T& operator[](uint32_t i) { return chunks_[i >> kShift][i & (kChunk - 1)]; }
    const T& operator[](uint32_t i) const { return chunks_[i >> kShift][i & (kChunk - 1)]; }
    void resize(uint32_t n)
    {
        if (n > firstCapacity_ && firstCapacity_ < kChunk)
            GrowFirstChunk(n);
        while (static_cast<size_t>(chunks_.size()) * kChunk < n)
            chunks_.push_back(std::make_unique<T[]>(kChunk)); // zero-filled
        size_ = n;
    }
    uint32_t size() const noexcept { return size_; }
    void clear()
    {
        chunks_.clear();
        firstCapacity_ = 0;
        size_ = 0;
    }
    size_t bytes() const noexcept
    {
        if (chunks_.empty())
            return 0;
        return (firstCapacity_ + (chunks_.size() - 1) * kChunk) * sizeof(T);
    }

private:
    void GrowFirstChunk(uint32_t n)
    {
        uint32_t capacity = firstCapacity_ ? firstCapacity_ : kFirstCapacity;
        while (capacity < n && capacity < kChunk)
            capacity *= 2;
        auto grown = std::make_unique<T[]>(capacity); // zero-filled
        if (!chunks_.empty())
            std::copy_n(chunks_.front().get(), firstCapacity_, grown.get());
        else
            chunks_.emplace_back();
        chunks_.front() = std::move(grown);
        firstCapacity_ = capacity;
    }

    std::vector<std::unique_ptr<T[]>> chunks_;
    uint32_t firstCapacity_ = 0;
    uint32_t size_ = 0;
};

// Append-only byte arena; a position is (chunk << 32 | offset). Each entry is
// a varint length followed by the bytes.
class Arena {
public:
    uint64_t add(std::string_view bytes)
    {
        const size_t need = bytes.size() + 5;
        if (chunks_.empty() || used_ + need > capacity_) {
            // Chunks double from 4 KB to 1 MB; their bytes are written
            // before they are read, so they are not zero-filled.
            const size_t next
                = chunks_.empty() ? kFirstChunkSize : std::min(capacity_ * 2, kChunkSize);
            capacity_ = std::max<size_t>(next, need);
            chunks_.push_back(std::make_unique_for_overwrite<char[]>(capacity_));
            used_ = 0;
            total_ += capacity_;
        }
        char* base = chunks_.back().get();
        size_t pos = used_;
        uint32_t len = static_cast<uint32_t>(bytes.size());
        while (len >= 0x80) {
            base[used_++] = static_cast<char>((len & 0x7f) | 0x80);
            len >>= 7;
        }
        base[used_++] = static_cast<char>(len);
        if (!bytes.empty())
            std::memcpy(base + used_, bytes.data(), bytes.size());
        used_ += bytes.size();
        return (static_cast<uint64_t>(chunks_.size() - 1) << 32) | pos;
    }
    std::string_view get(uint64_t ref) const
    {
        const char* p = chunks_[ref >> 32].get() + (ref & 0xffffffffu);
        uint32_t len = 0;
        int shift = 0;
        unsigned char b;
        do {
            b = static_cast<unsigned char>(*p++);
            len |= static_cast<uint32_t>(b & 0x7f) << shift;
            shift += 7;
        } while (b & 0x80);
        return { p, len };
    }
    void clear()
    {
        chunks_.clear();
        used_ = capacity_ = total_ = 0;
    }
    size_t bytes() const noexcept { return total_; }

private:
    static constexpr size_t kFirstChunkSize = 1 << 12;
    static constexpr size_t kChunkSize = 1 << 20;
    std::vector<std::unique_ptr<char[]>> chunks_;
    size_t used_ = 0;
    size_t capacity_ = 0;
    size_t total_ = 0;
};

struct Column {
    Kind kind = Kind::None;
    ChunkedVector<uint64_t> cells;
    ChunkedVector<uint64_t> nullBits; // one bit per record, 1 = null
};

class RowStore {
public:
    void reset(const std::vector<Kind>& kinds)
    {
        columns_.clear();
        columns_.resize(kinds.size());
        for (size_t i = 0; i < kinds.size(); ++i)
            columns_[i].kind = kinds[i];
        arena_.clear();
        records_ = 0;
    }
    void clear() { reset({}); }

    size_t columnCount() const noexcept { return columns_.size(); }
    Kind kind(int col) const { return columns_[static_cast<size_t>(col)].kind; }
    uint32_t recordCount() const noexcept { return records_; }

    // A new record with every value null.
    uint32_t addRecord()
    {
        uint32_t rec = records_++;
        for (auto& c : columns_) {
            if (c.kind == Kind::None)
                continue;
            if (c.cells.size() < records_)
                c.cells.resize(records_);
            if (c.nullBits.size() < (records_ + 63) / 64)
                c.nullBits.resize((records_ + 63) / 64);
            setNullBit(c, rec, true);
        }
        return rec;
    }

    bool isNull(int col, uint32_t rec) const
    {
        const Column& c = columns_[static_cast<size_t>(col)];
        if (c.kind == Kind::None)
            return true;
        return (c.nullBits[rec >> 6] >> (rec & 63)) & 1u;
    }
    int64_t getInt(int col, uint32_t rec) const
    {
        return static_cast<int64_t>(columns_[static_cast<size_t>(col)].cells[rec]);
    }
    double getDouble(int col, uint32_t rec) const
    {
        double d;
        uint64_t bits = columns_[static_cast<size_t>(col)].cells[rec];
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    bool getBool(int col, uint32_t rec) const
    {
        return columns_[static_cast<size_t>(col)].cells[rec] != 0;
    }
    std::string_view getText(int col, uint32_t rec) const
    {
        return arena_.get(columns_[static_cast<size_t>(col)].cells[rec]);
    }
    // The raw cell (identity for comparisons of non-text kinds).
    uint64_t cell(int col, uint32_t rec) const
    {
        return columns_[static_cast<size_t>(col)].cells[rec];
    }

    void setNull(int col, uint32_t rec)
    {
        setNullBit(columns_[static_cast<size_t>(col)], rec, true);
    }
    void setInt(int col, uint32_t rec, int64_t v) { setCell(col, rec, static_cast<uint64_t>(v)); }
    void setBool(int col, uint32_t rec, bool v) { setCell(col, rec, v ? 1 : 0); }
    void setDouble(int col, uint32_t rec, double v)
    {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        setCell(col, rec, bits);
    }
    void setText(int col, uint32_t rec, std::string_view v) { setCell(col, rec, arena_.add(v)); }

    void copyValue(int col, uint32_t from, uint32_t to)
    {
        Column& c = columns_[static_cast<size_t>(col)];
        if (c.kind == Kind::None)
            return;
        c.cells[to] = c.cells[from]; // text cells share the arena entry
        setNullBit(c, to, isNull(col, from));
    }
    void copyRecord(uint32_t from, uint32_t to)
    {
        for (size_t i = 0; i < columns_.size(); ++i)
            copyValue(static_cast<int>(i), from, to);
    }
    bool sameValue(int col, uint32_t a, uint32_t b) const
    {
        bool na = isNull(col, a), nb = isNull(col, b);
        if (na || nb)
            return na == nb;
        Kind k = kind(col);
        if (k == Kind::Text || k == Kind::Bytes)
            return getText(col, a) == getText(col, b);
        return cell(col, a) == cell(col, b);
    }

    size_t bytes() const
    {
        size_t total = arena_.bytes();
        for (const auto& c : columns_)
            total += c.cells.bytes() + c.nullBits.bytes();
        return total;
    }

private:
    void setCell(int col, uint32_t rec, uint64_t v)
    {
        Column& c = columns_[static_cast<size_t>(col)];
        c.cells[rec] = v;
        setNullBit(c, rec, false);
    }
    static void setNullBit(Column& c, uint32_t rec, bool null)
    {
        uint64_t& word = c.nullBits[rec >> 6];
        uint64_t bit = uint64_t(1) << (rec & 63);
        word = null ? (word | bit) : (word & ~bit);
    }

    std::vector<Column> columns_;
    Arena arena_;
    uint32_t records_ = 0;
};

// --- Conversions between values and cells (row_store.cpp) ---

// The column kind that holds values of a field type.
Kind KindFor(TFieldType type);
// The cell an Int, Bool or Double column would hold for `value` (converted as
// StoreVariant does; throws EConvertError when impossible); false for the
// other kinds.
bool NumericCell(Kind kind, const QVariant& value, const std::string& fieldName, uint64_t& cell);
// Appends `text` as UTF-8 (lone surrogates become U+FFFD).
void AppendUtf8(const QString& text, std::string& buffer);
// Writes a QVariant into a cell (converted to the column's kind).
void StoreVariant(
    RowStore& store, int column, uint32_t rec, const QVariant& value, const std::string& fieldName);
// Reads a cell as a QVariant of the field type.
QVariant ReadVariant(const RowStore& store, int column, uint32_t rec, TFieldType type);

} // namespace vcl::store
