#include "BalTree.h"

namespace {

// Names order by their UTF-16 code units as unsigned numbers, a prefix first;
// char_traits<char16_t> compares exactly that way.
int compareNames(std::u16string_view Aa, std::u16string_view Ab) noexcept
{
    return Aa.compare(Ab);
}

// The sentinel that fbottom points to: level 0, its children point to
// itself. Nothing ever writes to it (rebalancing never moves a node of
// level 0), so every tree shares this one, and an index costs no node
// while it is empty.
// Made on first use, so that a tree built during static initialisation
// finds it ready whatever the order of initialisation.
TBalNode& sentinel() noexcept
{
    static TBalNode node{&node, &node, 0, 0, {}};
    return node;
}

}  // namespace

TBalTree::TBalTree() noexcept
{
    fbottom = &sentinel();
    froot = fbottom;
    fdeleted = fbottom;
    flast = fbottom;
}

TBalTree::~TBalTree()
{
    Clear();
}

void TBalTree::Clear() noexcept
{
    // Rotate left children up until the root has none, then free the root:
    // no recursion and no allocation, whatever the tree's shape.
    PBalNode t = froot;
    while (t != fbottom) {
        if (t->left != fbottom) {
            PBalNode l = t->left;
            t->left = l->right;
            l->right = t;
            t = l;
        } else {
            PBalNode next = t->right;
            delete t;
            t = next;
        }
    }
    froot = fbottom;
    fdeleted = fbottom;
    flast = fbottom;
}

// The sentinel is the only node of level 0; rebalancing never moves it.
void TBalTree::skew(PBalNode& At) noexcept
{
    if (At->level != 0 && At->left->level == At->level) {
        PBalNode l = At->left;
        At->left = l->right;
        l->right = At;
        At = l;
    }
}

void TBalTree::split(PBalNode& At) noexcept
{
    if (At->level != 0 && At->right->right->level == At->level) {
        PBalNode r = At->right;
        At->right = r->left;
        r->left = At;
        ++r->level;
        At = r;
    }
}

bool TBalTree::Insert(const std::u16string& ws, std::int32_t x)
{
    return insertAt(froot, ws, x);
}

// Recursion depth is the tree height, at most about 2 log2(n).
bool TBalTree::insertAt(PBalNode& At, const std::u16string& ws, std::int32_t x)
{
    if (At == fbottom) {
        At = new TBalNode{fbottom, fbottom, 1, x, ws};
        return true;
    }
    const int c = compareNames(ws, At->nm);
    if (c == 0)
        return false;
    const bool added = c < 0 ? insertAt(At->left, ws, x) : insertAt(At->right, ws, x);
    skew(At);
    split(At);
    return added;
}

std::int32_t TBalTree::IndexOf(std::u16string_view ws) const noexcept
{
    PBalNode t = froot;
    while (t != fbottom) {
        const int c = compareNames(ws, t->nm);
        if (c == 0)
            return t->key;
        t = c < 0 ? t->left : t->right;
    }
    return -1;
}

bool TBalTree::Delete(const std::u16string& ws)
{
    fdeleted = fbottom;
    flast = fbottom;
    const bool removed = deleteAt(froot, ws);
    fdeleted = fbottom;
    flast = fbottom;
    return removed;
}

// Andersson's deletion: descend remembering the last node where the search
// went right (the candidate) and the last node visited; the last node visited
// takes the candidate's place and is unlinked.
bool TBalTree::deleteAt(PBalNode& At, const std::u16string& ws)
{
    if (At == fbottom)
        return false;
    flast = At;
    bool removed;
    if (compareNames(ws, At->nm) < 0) {
        removed = deleteAt(At->left, ws);
    } else {
        fdeleted = At;
        removed = deleteAt(At->right, ws);
    }
    if (At == flast) {
        if (fdeleted != fbottom && fdeleted->nm == ws) {
            LowerKeysAbove(fdeleted->key);
            if (fdeleted != At) {
                fdeleted->key = At->key;
                fdeleted->nm = std::move(At->nm);
            }
            fdeleted = fbottom;
            PBalNode gone = At;
            At = At->right;
            delete gone;
            return true;
        }
        return false;
    }
    if (At->left->level < At->level - 1 || At->right->level < At->level - 1) {
        --At->level;
        if (At->right->level > At->level)
            At->right->level = At->level;
        skew(At);
        skew(At->right);
        skew(At->right->right);
        split(At);
        split(At->right);
    }
    return removed;
}

void TBalTree::LowerKeysAbove(std::int32_t Akey) noexcept
{
    lowerKeys(froot, Akey);
}

// Recursion depth is the tree height, which the balance keeps logarithmic.
void TBalTree::lowerKeys(PBalNode At, std::int32_t Akey) noexcept
{
    while (At != fbottom) {
        if (At->key > Akey)
            --At->key;
        lowerKeys(At->left, Akey);
        At = At->right;
    }
}

std::u16string TBalTree::counters() const
{
    const std::string n = std::to_string(froot->level);
    return u"Balanced tree root node level is " + std::u16string(n.begin(), n.end());
}
