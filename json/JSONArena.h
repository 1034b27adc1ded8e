// TNodeArena: the room of the nodes of one parsed document.
//
// Nodes are carved one after the other out of chunks of kChunkSize bytes,
// each aligned to its own size, so that a node finds its chunk, and through
// it its document, by masking its address. The document counts its live
// nodes and gives every chunk back with the last one, whichever order the
// nodes are freed in and whoever owns them by then.
//
// A document that nothing changed since it was read is freed whole when its
// root is freed: the strings whose text lies on the heap, listed as they
// were read, are destroyed, and the chunks go back, without a walk over the
// tree. Any change marks the document altered; it is then freed node by
// node like any tree.
//
// The counts and marks are plain: like every tree, a document is used by
// one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TBalTree;

namespace ecr17::detail {

class TNodeArena {
public:
    TNodeArena() noexcept = default;
    // Drops the reader's hold: the document now lives as long as its nodes.
    ~TNodeArena();
    TNodeArena(const TNodeArena&) = delete;
    TNodeArena& operator=(const TNodeArena&) = delete;

    // Room for one node (ASize bytes aligned to AAlign, at most 16).
    void* allocateNode(std::size_t ASize, std::size_t AAlign)
    {
        void* p = take(ASize, AAlign);
        ++Fdoc->live;
        return p;
    }
    // Room that lives as long as the document (at most kMaxRoom bytes).
    void* allocateRoom(std::size_t ASize) { return take(ASize, alignof(void*)); }
    // AText lies on the heap: destroy it when the document is freed whole.
    void keepString(std::u16string* AText);
    // AText, in the document's room, is shared by nodes and lies on the
    // heap: destroy it when the document is freed, whole or node by node.
    void keepShared(std::u16string* AText);
    // ARoom, from ::operator new, is freed with the document when freed whole.
    void keepHeapRoom(void* ARoom);
    void setRoot(const void* ARoot) noexcept;

    // For the value classes, given any node of a document:
    // a node freed on its own gives back its count;
    static void release(const void* ANode) noexcept;
    // frees the whole document when ANode is the root of an unchanged one;
    static bool freeWhole(const void* ANode) noexcept;
    // a node is about to change;
    static void markAltered(const void* ANode) noexcept;
    // an object's name index was built: destroy it when freed whole.
    static void keepIndex(const void* ANode, TBalTree* AIndex);

    // 16 KiB: a small document leaves little unused, a large one costs an
    // aligned allocation every few hundred nodes.
    static constexpr std::size_t kChunkSize = 16384;
    static constexpr std::size_t kMaxRoom = kChunkSize / 4;

private:
    // The part of a document that allocation touches, inline for the
    // reader's one-node-after-the-other use.
    struct TCursor {
        std::size_t live = 1;     // nodes alive, plus the reader's hold
        std::uintptr_t next = 0;  // free room in the newest chunk
        std::uintptr_t end = 0;
    };
    struct TDocument;

    void* take(std::size_t ASize, std::size_t AAlign)
    {
        if (Fdoc != nullptr) {
            const std::uintptr_t p = (Fdoc->next + AAlign - 1) & ~static_cast<std::uintptr_t>(AAlign - 1);
            if (p + ASize <= Fdoc->end) {
                Fdoc->next = p + ASize;
                return reinterpret_cast<void*>(p);
            }
        }
        return takeSlow(ASize, AAlign);
    }
    // A new chunk, and the document on first use.
    void* takeSlow(std::size_t ASize, std::size_t AAlign);
    TDocument& document();

    TCursor* Fdoc = nullptr;
};

}  // namespace ecr17::detail
