// TChildList: the ordered, owned children of a JSON container.
//
// A growable array of owning pointers, like a vector, in 16 bytes. The
// reader hands a list its room at the exact size out of the document's
// arena ("borrowed" room, given back with the document); the first growth
// moves the list to the heap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>

namespace ecr17::detail {

template <class TNode>
class TChildList {
public:
    using TItem = std::unique_ptr<TNode>;

    TChildList() noexcept = default;
    ~TChildList()
    {
        std::destroy_n(FItems, FSize);
        releaseRoom();
    }
    TChildList(const TChildList&) = delete;
    TChildList& operator=(const TChildList&) = delete;

    std::size_t size() const noexcept { return FSize; }
    bool empty() const noexcept { return FSize == 0; }
    TItem& operator[](std::size_t Ai) noexcept { return FItems[Ai]; }
    const TItem& operator[](std::size_t Ai) const noexcept { return FItems[Ai]; }
    TItem* begin() noexcept { return FItems; }
    TItem* end() noexcept { return FItems + FSize; }
    const TItem* begin() const noexcept { return FItems; }
    const TItem* end() const noexcept { return FItems + FSize; }

    void push_back(TItem&& Aitem)
    {
        if (FSize == capacity())
            grow(FSize == 0 ? 4 : 2 * static_cast<std::size_t>(FSize));
        std::construct_at(FItems + FSize, std::move(Aitem));
        ++FSize;
    }
    void pop_back() noexcept { std::destroy_at(FItems + --FSize); }
    // Removes the item at Ai; the ones behind it move down one place.
    void erase(std::size_t Ai) noexcept
    {
        std::move(FItems + Ai + 1, FItems + FSize, FItems + Ai);
        pop_back();
    }
    void clear() noexcept
    {
        std::destroy_n(FItems, FSize);
        FSize = 0;
    }

    // Takes ACount items moved from AFrom into ARoom, room for exactly that
    // many that the list does not free. The list must be empty.
    void adoptBorrowed(void* ARoom, TItem* AFrom, std::size_t ACount) noexcept
    {
        FItems = static_cast<TItem*>(ARoom);
        std::uninitialized_move_n(AFrom, ACount, FItems);
        FSize = static_cast<std::uint32_t>(ACount);
        FCapacity = static_cast<std::uint32_t>(ACount) | kBorrowed;
    }

    // Takes ACount items moved from AFrom into room of exactly that size on
    // the heap. The list must be empty.
    void adoptExact(TItem* AFrom, std::size_t ACount)
    {
        grow(ACount);
        std::uninitialized_move_n(AFrom, ACount, FItems);
        FSize = static_cast<std::uint32_t>(ACount);
    }
    // The room of the items, for a document that frees it without the list.
    void* room() const noexcept { return FItems; }

private:
    static constexpr std::uint32_t kBorrowed = 0x80000000u;

    std::size_t capacity() const noexcept { return FCapacity & ~kBorrowed; }
    void releaseRoom() noexcept
    {
        if ((FCapacity & kBorrowed) == 0)
            ::operator delete(FItems);
    }
    void grow(std::size_t ACapacity)
    {
        if (ACapacity >= kBorrowed)
            throw std::bad_alloc();
        auto* items = static_cast<TItem*>(::operator new(ACapacity * sizeof(TItem)));
        std::uninitialized_move_n(FItems, FSize, items);
        std::destroy_n(FItems, FSize);
        releaseRoom();
        FItems = items;
        FCapacity = static_cast<std::uint32_t>(ACapacity);
    }

    TItem* FItems = nullptr;
    std::uint32_t FSize = 0;
    std::uint32_t FCapacity = 0;  // kBorrowed set: the room belongs to the document's arena
};

}  // namespace ecr17::detail
