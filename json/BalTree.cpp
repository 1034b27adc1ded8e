#include "BalTree.h"

namespace {

// Names order by their UTF-16 code units as unsigned numbers, a prefix first;
// char_traits<char16_t> compares exactly that way.
int compareNames(std::u16string_view Aa, std::u16string_view Ab) noexcept
{
    return Aa.compare(Ab);
}

// The sentinel below the leaves: level 0, its children point to itself.
// Nothing ever writes to it (rebalancing never moves a node of level 0), so
// every tree shares this one, and an index costs no node while it is empty.
// Made on first use, so that a tree built during static initialisation
// finds it ready whatever the order of initialisation.
PBalNode sentinel() noexcept
{
    static TBalNode node{&node, &node, 0, 0, {}};
    return &node;
}

}  // namespace

TBalTree::TBalTree() noexcept : froot(sentinel()) {}

const TBalNode* TBalTree::bottom() const noexcept
{
    return sentinel();
}

TBalTree::~TBalTree()
{
    Clear();
}

void TBalTree::Clear() noexcept
{
    // Rotate left children up until the root has none, then free the root:
    // no recursion and no allocation, whatever the tree's shape.
    const PBalNode sentry = sentinel();
    PBalNode t = froot;
    while (t != sentry) {
        if (t->left != sentry) {
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
    froot = sentry;
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
    const PBalNode sentry = sentinel();
    if (At == sentry) {
        At = new TBalNode{sentry, sentry, 1, x, ws};
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
    const PBalNode sentry = sentinel();
    PBalNode t = froot;
    while (t != sentry) {
        const int c = compareNames(ws, t->nm);
        if (c == 0)
            return t->key;
        t = c < 0 ? t->left : t->right;
    }
    return -1;
}

bool TBalTree::Delete(const std::u16string& ws)
{
    TDeletion deletion{sentinel(), sentinel()};
    return deleteAt(froot, ws, deletion);
}

// Andersson's deletion: descend remembering the last node where the search
// went right (the candidate) and the last node visited; the last node visited
// takes the candidate's place and is unlinked.
bool TBalTree::deleteAt(PBalNode& At, const std::u16string& ws, TDeletion& Ad)
{
    const PBalNode sentry = sentinel();
    if (At == sentry)
        return false;
    Ad.last = At;
    bool removed;
    if (compareNames(ws, At->nm) < 0) {
        removed = deleteAt(At->left, ws, Ad);
    } else {
        Ad.deleted = At;
        removed = deleteAt(At->right, ws, Ad);
    }
    if (At == Ad.last) {
        if (Ad.deleted != sentry && Ad.deleted->nm == ws) {
            LowerKeysAbove(Ad.deleted->key);
            if (Ad.deleted != At) {
                Ad.deleted->key = At->key;
                Ad.deleted->nm = std::move(At->nm);
            }
            Ad.deleted = sentry;
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
    while (At != sentinel()) {
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
