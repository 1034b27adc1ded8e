#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <string>

#include "BalTree.h"

namespace {

// Checks the AA-tree rules below n and the search order within (lo, hi);
// returns the number of nodes.
int checkSubtree(const TBalTree& tree, const TBalNode* n, const std::u16string* lo,
                 const std::u16string* hi)
{
    const TBalNode* bottom = tree.bottom();
    if (n == bottom)
        return 0;
    if (lo != nullptr) {
        EXPECT_LT(*lo, n->nm);
    }
    if (hi != nullptr) {
        EXPECT_LT(n->nm, *hi);
    }
    if (n->left == bottom && n->right == bottom) {
        EXPECT_EQ(n->level, 1) << "leaf";
    }
    EXPECT_EQ(n->left->level + 1, n->level) << "left child one level down";
    EXPECT_TRUE(n->right->level == n->level || n->right->level + 1 == n->level)
        << "right child level";
    EXPECT_LT(n->right->right->level, n->level) << "no two right links on one level";
    if (n->level > 1) {
        EXPECT_NE(n->left, bottom);
        EXPECT_NE(n->right, bottom);
    }
    return 1 + checkSubtree(tree, n->left, lo, &n->nm) + checkSubtree(tree, n->right, &n->nm, hi);
}

void checkTree(const TBalTree& tree, const std::map<std::u16string, int>& reference)
{
    const TBalNode* bottom = tree.bottom();
    ASSERT_EQ(bottom->level, 0);
    ASSERT_EQ(bottom->left, bottom);
    ASSERT_EQ(bottom->right, bottom);
    EXPECT_EQ(checkSubtree(tree, tree.root(), nullptr, nullptr), static_cast<int>(reference.size()));
    for (const auto& [name, key] : reference)
        EXPECT_EQ(tree.IndexOf(name), key);
}

}  // namespace

TEST(BalTree, SmallExample)
{
    TBalTree tree;
    EXPECT_EQ(tree.counters(), u"Balanced tree root node level is 0");
    EXPECT_TRUE(tree.Insert(u"b", 0));
    EXPECT_TRUE(tree.Insert(u"a", 1));
    EXPECT_TRUE(tree.Insert(u"c", 2));
    EXPECT_FALSE(tree.Insert(u"a", 3));
    EXPECT_EQ(tree.IndexOf(u"a"), 1);
    EXPECT_EQ(tree.IndexOf(u"A"), -1);
    EXPECT_EQ(tree.counters(), u"Balanced tree root node level is 2");

    tree.Clear();
    EXPECT_EQ(tree.IndexOf(u"a"), -1);
    EXPECT_EQ(tree.root(), tree.bottom());
    EXPECT_TRUE(tree.Insert(u"a", 7));
    EXPECT_EQ(tree.IndexOf(u"a"), 7);
}

TEST(BalTree, OrdersByUnsignedCodeUnitsPrefixFirst)
{
    TBalTree tree;
    const std::u16string names[] = {u"\xFFFF", u"ab", u"a", u"", u"\x00E9", u"B", u"a\xD800"};
    std::map<std::u16string, int> reference;
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(tree.Insert(names[i], i));
        reference[names[i]] = i;
    }
    checkTree(tree, reference);
    // In-order walk: leftmost is the empty name, rightmost U+FFFF.
    const TBalNode* n = tree.root();
    while (n->left != tree.bottom())
        n = n->left;
    EXPECT_EQ(n->nm, u"");
    n = tree.root();
    while (n->right != tree.bottom())
        n = n->right;
    EXPECT_EQ(n->nm, u"\xFFFF");
}

TEST(BalTree, SortedInsertionsStayBalanced)
{
    TBalTree tree;
    const int n = 100000;
    for (int i = 0; i < n; ++i) {
        std::string digits = std::to_string(1000000 + i);
        ASSERT_TRUE(tree.Insert(std::u16string(digits.begin(), digits.end()), i));
    }
    // The root's level bounds the height; an AA tree keeps it at log2(n+1).
    EXPECT_LE(tree.root()->level, std::log2(n + 1.0));
    EXPECT_EQ(tree.IndexOf(u"1054321"), 54321);
}

// Random insertions and deletions against std::map; Delete lowers the
// positions above the removed one, so the reference does the same.
TEST(BalTree, RandomOperationsMatchMapAndKeepInvariants)
{
    for (unsigned seed = 1; seed <= 8; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        TBalTree tree;
        std::map<std::u16string, int> reference;
        int nextKey = 0;
        for (int step = 0; step < 1500; ++step) {
            std::u16string name;
            const int length = static_cast<int>(rng() % 3) + 1;
            for (int i = 0; i < length; ++i)
                name.push_back(static_cast<char16_t>(u'a' + rng() % 6));
            if (rng() % 3 != 0) {
                const bool fresh = reference.find(name) == reference.end();
                ASSERT_EQ(tree.Insert(name, nextKey), fresh) << "step " << step;
                if (fresh)
                    reference[name] = nextKey;
                ++nextKey;
            } else {
                auto it = reference.find(name);
                const bool present = it != reference.end();
                ASSERT_EQ(tree.Delete(name), present) << "step " << step;
                if (present) {
                    const int removed = it->second;
                    reference.erase(it);
                    for (auto& [n, key] : reference)
                        if (key > removed)
                            --key;
                }
            }
            checkTree(tree, reference);
            if (HasFailure())
                FAIL() << "after step " << step;
        }
        tree.Clear();
        checkTree(tree, {});
    }
}
