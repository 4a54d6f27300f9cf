#include "calculator/ExprTree.h"

#include <utility>

TreeNode::~TreeNode()
{
    // Detach the children onto a list first: a chain of thousands of
    // operators would otherwise be destroyed by as many nested calls.
    std::vector<std::unique_ptr<TreeNode>> pending;
    if (Left) pending.push_back(std::move(Left));
    if (Right) pending.push_back(std::move(Right));
    while (!pending.empty()) {
        std::unique_ptr<TreeNode> node = std::move(pending.back());
        pending.pop_back();
        if (node->Left) pending.push_back(std::move(node->Left));
        if (node->Right) pending.push_back(std::move(node->Right));
    }
}

bool WalkTree(TreeNode* node, const TreeCallback& callback)
{
    if (!node) return true;
    // Each entry is a node and whether its children are done.
    std::vector<std::pair<TreeNode*, bool>> stack{{node, false}};
    while (!stack.empty()) {
        auto [current, childrenDone] = stack.back();
        if (childrenDone) {
            stack.pop_back();
            if (!callback(*current)) return false;
            continue;
        }
        stack.back().second = true;
        // Pushed right first so that the left subtree is visited first.
        if (current->Right) stack.emplace_back(current->Right.get(), false);
        if (current->Left) stack.emplace_back(current->Left.get(), false);
    }
    return true;
}

bool NotFileLeaf(const TreeNode& node)
{
    return node.Kind != tkFile;
}

bool IsSingleFileLeaf(const TreeNode* node)
{
    return node && !node->Left && !node->Right && node->Kind == tkFile;
}

void FreeTree(std::unique_ptr<TreeNode>& root)
{
    root.reset();
}
