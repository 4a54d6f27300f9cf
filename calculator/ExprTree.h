#pragma once
// The calculator's tokens, parse-tree nodes and the raster each node carries
// while an expression is evaluated over files.
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "geodata/IdrisiRDC.h"
#include "platform/BulkMemory.h"

// Token kinds.
enum : std::uint8_t {
    tkNumber = 0,
    tkFile = 1,
    tkUnary = 2,
    tkBinary = 3,
    tkFunction1 = 4,
    tkFunction2 = 5,
    tkPunctuation = 6,
    tkEnd = 7,
    tkError = 8,
};

// Starting extremes of a node; any produced value replaces them.
constexpr double kMinSeenStart = 1.7e308;
constexpr double kMaxSeenStart = -1.7e308;

// One raster in memory: its header and the current window of cells.
struct RastrFile {
    TIdrisiRDC Header;
    double MinSeen = kMinSeenStart;
    double MaxSeen = kMaxSeenStart;
    // The window as 32-bit floats when the data type is real; byte and
    // integer windows keep their little-endian file bytes in RawCells. A
    // window's first touch then happens in the reads that fill it, on every
    // core, instead of in a zero-fill on one.
    TBulkVector<float> Cells;
    TBulkVector<std::uint8_t> RawCells;
    bool HasCells = false;
    std::int64_t FirstCell = 0;
    std::int64_t CellCount = -1;
};

struct Token {
    std::uint8_t Kind = tkError;
    double Value = std::numeric_limits<double>::quiet_NaN();
    std::string Name;
    char OpChar = ' ';
    std::int32_t Priority = 0;
    RastrFile Rastr;
};

// A node owns its children; destruction is iterative, so a tree as deep as
// a long chain of operators is released without deep recursion.
struct TreeNode : Token {
    std::unique_ptr<TreeNode> Left;
    std::unique_ptr<TreeNode> Right;

    TreeNode() = default;
    explicit TreeNode(Token token) : Token(std::move(token)) {}
    TreeNode(const TreeNode&) = delete;
    TreeNode& operator=(const TreeNode&) = delete;
    ~TreeNode();
};

using TreeCallback = std::function<bool(TreeNode&)>;

// Post-order walk (left, right, node); the first false stops it and is
// returned. A null node gives true. Iterative: depth costs no stack.
bool WalkTree(TreeNode* node, const TreeCallback& callback);
// True unless the node is a file operand.
bool NotFileLeaf(const TreeNode& node);
// True for a node without children that is a file operand.
bool IsSingleFileLeaf(const TreeNode* node);
// Releases the whole tree.
void FreeTree(std::unique_ptr<TreeNode>& root);
