#include "BalTree.h"

namespace {

// Names order by their UTF-16 code units as unsigned numbers, a prefix first;
// char_traits<char16_t> compares exactly that way.
int compareNames(std::u16string_view a, std::u16string_view b) noexcept
{
    return a.compare(b);
}

}  // namespace

TBalTree::TBalTree() noexcept
    : fsentinel{nullptr, nullptr, 0, 0, {}}
{
    fbottom = &fsentinel;
    fbottom->left = fbottom;
    fbottom->right = fbottom;
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
void TBalTree::skew(PBalNode& t) noexcept
{
    if (t->level != 0 && t->left->level == t->level) {
        PBalNode l = t->left;
        t->left = l->right;
        l->right = t;
        t = l;
    }
}

void TBalTree::split(PBalNode& t) noexcept
{
    if (t->level != 0 && t->right->right->level == t->level) {
        PBalNode r = t->right;
        t->right = r->left;
        r->left = t;
        ++r->level;
        t = r;
    }
}

bool TBalTree::Insert(const std::u16string& ws, std::int32_t x)
{
    return insertAt(froot, ws, x);
}

// Recursion depth is the tree height, at most about 2 log2(n).
bool TBalTree::insertAt(PBalNode& t, const std::u16string& ws, std::int32_t x)
{
    if (t == fbottom) {
        t = new TBalNode{fbottom, fbottom, 1, x, ws};
        return true;
    }
    const int c = compareNames(ws, t->nm);
    if (c == 0)
        return false;
    const bool added = c < 0 ? insertAt(t->left, ws, x) : insertAt(t->right, ws, x);
    skew(t);
    split(t);
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
bool TBalTree::deleteAt(PBalNode& t, const std::u16string& ws)
{
    if (t == fbottom)
        return false;
    flast = t;
    bool removed;
    if (compareNames(ws, t->nm) < 0) {
        removed = deleteAt(t->left, ws);
    } else {
        fdeleted = t;
        removed = deleteAt(t->right, ws);
    }
    if (t == flast) {
        if (fdeleted != fbottom && fdeleted->nm == ws) {
            LowerKeysAbove(fdeleted->key);
            if (fdeleted != t) {
                fdeleted->key = t->key;
                fdeleted->nm = std::move(t->nm);
            }
            fdeleted = fbottom;
            PBalNode gone = t;
            t = t->right;
            delete gone;
            return true;
        }
        return false;
    }
    if (t->left->level < t->level - 1 || t->right->level < t->level - 1) {
        --t->level;
        if (t->right->level > t->level)
            t->right->level = t->level;
        skew(t);
        skew(t->right);
        skew(t->right->right);
        split(t);
        split(t->right);
    }
    return removed;
}

void TBalTree::LowerKeysAbove(std::int32_t key) noexcept
{
    lowerKeys(froot, key);
}

// Recursion depth is the tree height, which the balance keeps logarithmic.
void TBalTree::lowerKeys(PBalNode t, std::int32_t key) noexcept
{
    while (t != fbottom) {
        if (t->key > key)
            --t->key;
        lowerKeys(t->left, key);
        t = t->right;
    }
}

std::u16string TBalTree::counters() const
{
    const std::string n = std::to_string(froot->level);
    return u"Balanced tree root node level is " + std::u16string(n.begin(), n.end());
}
