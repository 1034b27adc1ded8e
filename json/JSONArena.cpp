#include "JSONArena.h"

#include <memory>
#include <new>

#include "BalTree.h"

namespace ecr17::detail {

namespace {

constexpr std::align_val_t kChunkAlign{TNodeArena::kChunkSize};

// The start of every chunk.
struct alignas(16) TChunkHead {
    void* doc;          // the TDocument
    TChunkHead* older;  // chunks of the document, newest first
};

// What to destroy when a document is freed whole. The two low bits of an
// entry tell its kind: a std::u16string of a node, a TBalTree, heap room, or
// a std::u16string that nodes share (destroyed with the document however
// it is freed).
enum TCleanupKind : std::uintptr_t { ckString = 0, ckIndex = 1, ckHeapRoom = 2, ckShared = 3, ckMask = 3 };

struct TCleanups {
    static constexpr std::size_t kEntries = 62;
    TCleanups* older;
    std::size_t count;
    std::uintptr_t entries[kEntries];
};

std::uintptr_t bitsOf(const void* Ap) noexcept
{
    return reinterpret_cast<std::uintptr_t>(Ap);
}

std::uintptr_t alignUp(std::uintptr_t Abits, std::size_t AAlign) noexcept
{
    return (Abits + AAlign - 1) & ~static_cast<std::uintptr_t>(AAlign - 1);
}

TChunkHead* chunkOf(const void* ANode) noexcept
{
    return reinterpret_cast<TChunkHead*>(bitsOf(ANode) & ~static_cast<std::uintptr_t>(TNodeArena::kChunkSize - 1));
}

}  // namespace

// Lives in the document's first chunk, right after its head.
struct TNodeArena::TDocument : TNodeArena::TCursor {
    bool altered = false;
    const void* root = nullptr;
    TChunkHead* chunks = nullptr;
    TCleanups* cleanups = nullptr;

    static TDocument* of(const void* ANode) noexcept { return static_cast<TDocument*>(chunkOf(ANode)->doc); }

    void* allocate(std::size_t ASize, std::size_t AAlign)
    {
        std::uintptr_t p = alignUp(next, AAlign);
        if (p + ASize > end) {
            addChunk();
            p = alignUp(next, AAlign);
        }
        next = p + ASize;
        return reinterpret_cast<void*>(p);
    }

    void addChunk()
    {
        auto* chunk = static_cast<TChunkHead*>(::operator new(kChunkSize, kChunkAlign));
        link(chunk);
        next = bitsOf(chunk + 1);
    }

    void link(TChunkHead* AChunk) noexcept
    {
        AChunk->doc = this;
        AChunk->older = chunks;
        chunks = AChunk;
        end = bitsOf(AChunk) + kChunkSize;
    }

    void keep(std::uintptr_t AEntry)
    {
        if (cleanups == nullptr || cleanups->count == TCleanups::kEntries) {
            auto* block = static_cast<TCleanups*>(allocate(sizeof(TCleanups), alignof(TCleanups)));
            block->older = cleanups;
            block->count = 0;
            cleanups = block;
        }
        cleanups->entries[cleanups->count++] = AEntry;
    }

    // Everything kept, or (AonlyShared) the shared strings, which no node
    // destroys.
    void destroyKept(bool AonlyShared) noexcept
    {
        for (TCleanups* block = cleanups; block != nullptr; block = block->older)
            for (std::size_t i = 0; i < block->count; ++i) {
                const std::uintptr_t entry = block->entries[i];
                void* object = reinterpret_cast<void*>(entry & ~std::uintptr_t{ckMask});
                const std::uintptr_t kind = entry & ckMask;
                if (AonlyShared && kind != ckShared)
                    continue;
                switch (kind) {
                case ckString:
                case ckShared:
                    std::destroy_at(static_cast<std::u16string*>(object));
                    break;
                case ckIndex:
                    std::destroy_at(static_cast<TBalTree*>(object));
                    break;
                default:
                    ::operator delete(object);
                    break;
                }
            }
    }

    // The document lies in its oldest chunk, which goes last.
    void freeChunks() noexcept
    {
        TChunkHead* chunk = chunks;
        while (chunk != nullptr) {
            TChunkHead* older = chunk->older;
            ::operator delete(chunk, kChunkAlign);
            chunk = older;
        }
    }

    void drop() noexcept
    {
        if (--live != 0)
            return;
        destroyKept(true);
        freeChunks();
    }
};

TNodeArena::~TNodeArena()
{
    if (Fdoc != nullptr)
        document().drop();
}

void* TNodeArena::takeSlow(std::size_t ASize, std::size_t AAlign)
{
    return document().allocate(ASize, AAlign);
}

TNodeArena::TDocument& TNodeArena::document()
{
    if (Fdoc == nullptr) {
        auto* chunk = static_cast<TChunkHead*>(::operator new(kChunkSize, kChunkAlign));
        auto* doc = std::construct_at(reinterpret_cast<TDocument*>(chunk + 1));
        doc->link(chunk);
        doc->next = alignUp(bitsOf(doc + 1), 16);
        Fdoc = doc;
    }
    return *static_cast<TDocument*>(Fdoc);
}

void TNodeArena::keepString(std::u16string* AText)
{
    document().keep(bitsOf(AText) | ckString);
}

void TNodeArena::keepShared(std::u16string* AText)
{
    document().keep(bitsOf(AText) | ckShared);
}

void TNodeArena::keepHeapRoom(void* ARoom)
{
    document().keep(bitsOf(ARoom) | ckHeapRoom);
}

void TNodeArena::setRoot(const void* ARoot) noexcept
{
    if (Fdoc != nullptr)
        document().root = ARoot;
}

void TNodeArena::release(const void* ANode) noexcept
{
    TDocument::of(ANode)->drop();
}

bool TNodeArena::freeWhole(const void* ANode) noexcept
{
    TDocument* doc = TDocument::of(ANode);
    if (doc->root != ANode || doc->altered)
        return false;
    doc->destroyKept(false);
    doc->freeChunks();
    return true;
}

void TNodeArena::markAltered(const void* ANode) noexcept
{
    TDocument::of(ANode)->altered = true;
}

void TNodeArena::keepIndex(const void* ANode, TBalTree* AIndex)
{
    TDocument* doc = TDocument::of(ANode);
    if (!doc->altered)
        doc->keep(bitsOf(AIndex) | ckIndex);
}

}  // namespace ecr17::detail
