// TBalTree: the name index of a JSON object, an AA tree (Andersson's
// balanced search tree) mapping member names to member positions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// One node of the index; allocated and freed one by one by the tree.
struct TBalNode {
    TBalNode* left;
    TBalNode* right;
    std::uint8_t level;
    std::int32_t key;   // position of the member in its object
    std::u16string nm;  // member name
};
using PBalNode = TBalNode*;

class TBalTree {
public:
    TBalTree() noexcept;
    ~TBalTree();
    TBalTree(const TBalTree&) = delete;
    TBalTree& operator=(const TBalTree&) = delete;

    // Frees every node; the tree is empty again.
    void Clear() noexcept;
    // Adds ws with position x; false (and no change) when ws is already present.
    bool Insert(const std::u16string& ws, std::int32_t x);
    // Removes ws; every stored position above the removed one drops by one,
    // because the members behind a removed member move down one place.
    bool Delete(const std::u16string& ws);
    // Position stored for ws, or -1.
    std::int32_t IndexOf(std::u16string_view ws) const noexcept;
    // "Balanced tree root node level is N".
    std::u16string counters() const;

    // Lowers by one every stored position greater than Akey: used when a
    // member without a node of its own (a repeated name) is removed.
    void LowerKeysAbove(std::int32_t Akey) noexcept;

    // Read-only view of the structure, for checks of the balance invariants.
    const TBalNode* root() const noexcept { return froot; }
    // The sentinel below the leaves, shared by every tree.
    const TBalNode* bottom() const noexcept;

private:
    static void skew(PBalNode& At) noexcept;
    static void split(PBalNode& At) noexcept;
    bool insertAt(PBalNode& At, const std::u16string& ws, std::int32_t x);
    // The state of one deletion's descent.
    struct TDeletion {
        PBalNode deleted;  // the last node where the search went right
        PBalNode last;     // the last node visited
    };
    bool deleteAt(PBalNode& At, const std::u16string& ws, TDeletion& Ad);
    void lowerKeys(PBalNode At, std::int32_t Akey) noexcept;

    // The root is all a tree keeps: an object's index costs one pointer.
    PBalNode froot;
};
