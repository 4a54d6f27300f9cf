#include "calculator/Analyzer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "calculator/CellMath.h"
#include "calculator/RasterWriter.h"
#include "geodata/QMMapDecl.h"
#include "platform/FileNames.h"
#include "platform/NumberText.h"
#include "platform/RuntimeErrors.h"

namespace {

// Each level of the parser holds at most this many operands and operators.
constexpr std::size_t kMaxLevelStack = 20;
// Parentheses (and function arguments) nest at most this deep, so that a
// pasted expression cannot exhaust the stack.
constexpr int kMaxNesting = 64;

struct TWordEntry {
    std::string_view Word;
    std::uint8_t Kind;
    char OpChar;
};

// Searched in this order.
constexpr TWordEntry kWords[] = {
    {"exp", tkFunction1, ' '},   {"ln", tkFunction1, ' '},     {"sin", tkFunction1, ' '},
    {"arcsin", tkFunction1, ' '}, {"cos", tkFunction1, ' '},   {"arccos", tkFunction1, ' '},
    {"sqrt", tkFunction1, ' '},  {"abs", tkFunction1, ' '},    {"tan", tkFunction1, ' '},
    {"arctan", tkFunction1, ' '}, {"not", tkFunction1, ' '},   {"min", tkFunction2, ' '},
    {"max", tkFunction2, ' '},   {"and", tkBinary, '&'},       {"or", tkBinary, '|'},
    {"xor", tkBinary, '^'},
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }

// The operand and operator stacks of one parser level.
struct TLevelStacks {
    std::vector<std::unique_ptr<TreeNode>> Operands;
    std::vector<Token> Operators;

    bool PushOperand(std::unique_ptr<TreeNode> node)
    {
        if (Operands.size() >= kMaxLevelStack) return false;
        Operands.push_back(std::move(node));
        return true;
    }
    bool PushOperator(Token token)
    {
        if (Operators.size() >= kMaxLevelStack) return false;
        Operators.push_back(std::move(token));
        return true;
    }

    // Pops the top operator into a node over its operands.
    bool ReduceTop()
    {
        if (Operators.empty()) return false;
        const Token& top = Operators.back();
        if (top.Kind == tkUnary) {
            if (Operands.empty()) return false;
        } else if (top.Kind == tkBinary) {
            if (Operands.size() < 2) return false;
        } else {
            return false;
        }
        auto node = std::make_unique<TreeNode>(std::move(Operators.back()));
        Operators.pop_back();
        if (node->Kind == tkBinary) {
            node->Right = std::move(Operands.back());
            Operands.pop_back();
        }
        node->Left = std::move(Operands.back());
        Operands.back() = std::move(node);
        return true;
    }
};

} // namespace

// ---------------------------------------------------------------- lexer

void TAnalyzer::SetExpression(std::string_view text)
{
    Typed = std::string(text);
    Text = AsciiLower(text);
    ScanPos = 1;
    TokenMark = 0;
    LastError.clear();
}

int TAnalyzer::ErrorPosition() const
{
    return static_cast<int>(TokenMark != 0 ? TokenMark : ScanPos);
}

void TAnalyzer::NextToken(Token& token)
{
    token = Token();
    while (ScanPos <= Text.size() && Text[ScanPos - 1] == ' ') ++ScanPos;
    TokenMark = ScanPos;
    if (ScanPos > Text.size()) {
        token.Kind = tkEnd;
        token.OpChar = '.';
        token.Name.assign(1, '.');
        return;
    }
    char c = Text[ScanPos - 1];
    switch (c) {
    case '(':
    case ')':
    case ',':
        token.Kind = tkPunctuation;
        token.OpChar = c;
        token.Priority = 9;
        ++ScanPos;
        return;
    case '+':
    case '-':
    case '*':
    case '/':
    case '^':
        token.Kind = tkBinary;
        token.OpChar = c;
        token.Name = std::string(1, c);
        token.Priority = (c == '+' || c == '-') ? 1 : (c == '^') ? 3 : 2;
        ++ScanPos;
        return;
    default:
        break;
    }
    if (IsDigit(c))
        ScanNumber(token);
    else if (c == '[')
        ScanFileName(token);
    else if (IsLower(c))
        ScanWord(token);
    // Anything else stays an error token and the position does not move.
}

void TAnalyzer::ScanNumber(Token& token)
{
    std::size_t start = ScanPos - 1;
    std::size_t end = start;
    while (end < Text.size() && (IsDigit(Text[end]) || Text[end] == '.')) ++end;
    // A malformed run ("1.2.3") is still one number token, worth NaN.
    double value = std::numeric_limits<double>::quiet_NaN();
    double parsed = 0;
    if (TryStrToFloat(std::string_view(Text).substr(start, end - start), parsed) && std::isfinite(parsed)) value = parsed;
    token.Kind = tkNumber;
    token.Value = value;
    ScanPos = end + 1;
}

void TAnalyzer::ScanFileName(Token& token)
{
    std::size_t open = ScanPos - 1;
    std::size_t close = Text.find(']', open + 1);
    // A control character (a zero byte of an expression read from a file)
    // would cut or bend the name the file is opened by: it is an error at
    // its own position.
    const std::size_t end = close == std::string::npos ? Text.size() : close;
    for (std::size_t i = open + 1; i < end; ++i) {
        if (static_cast<unsigned char>(Text[i]) < 32) {
            TokenMark = i + 1;
            ScanPos = i + 1;
            return; // an error token
        }
    }
    if (close == std::string::npos) {
        ScanPos = Text.size() + 1;
        return; // an error token
    }
    token.Kind = tkFile;
    // File names keep the case they were typed in: on this system a capital
    // is part of a path.
    token.Name = Typed.substr(open + 1, close - open - 1);
    ScanPos = close + 2;
}

void TAnalyzer::ScanWord(Token& token)
{
    std::size_t start = ScanPos - 1;
    std::size_t end = start;
    while (end < Text.size() && IsLower(Text[end])) ++end;
    std::string_view word = std::string_view(Text).substr(start, end - start);
    ScanPos = end + 1;
    for (const TWordEntry& entry : kWords) {
        if (entry.Word != word) continue;
        token.Kind = entry.Kind;
        token.Name = std::string(word);
        if (entry.Kind == tkBinary) {
            token.OpChar = entry.OpChar;
            token.Priority = 1;
        }
        return;
    }
}

// ---------------------------------------------------------------- parser

std::unique_ptr<TreeNode> TAnalyzer::ParseExpression()
{
    Token terminator;
    std::unique_ptr<TreeNode> tree = ParseLevel(terminator, 0);
    if (terminator.Kind != tkEnd || !tree) return nullptr;
    return tree;
}

std::unique_ptr<TreeNode> TAnalyzer::ParseLevel(Token& terminator, int depth)
{
    TLevelStacks level;
    bool failed = false;
    for (;;) {
        Token token;
        NextToken(token);
        if (token.Kind == tkNumber || token.Kind == tkFile) {
            if (!level.PushOperand(std::make_unique<TreeNode>(std::move(token)))) failed = true;
        } else if (token.Kind == tkBinary) {
            // A sign is recognised only at the very start of a level.
            if ((token.OpChar == '+' || token.OpChar == '-') && level.Operands.empty()) {
                token.Kind = tkUnary;
                token.Priority = 9;
            }
            // Equal priorities reduce first: every binary operator is left-associative.
            while (!failed && !level.Operators.empty() && level.Operators.back().Priority >= token.Priority)
                failed = !level.ReduceTop();
            if (!failed && !level.PushOperator(std::move(token))) failed = true;
        } else if (token.Kind == tkPunctuation && token.OpChar == '(') {
            std::unique_ptr<TreeNode> sub = ParseArgument(0, depth);
            // An empty pair of parentheses has no value to stand for.
            if (!sub || !level.PushOperand(std::move(sub))) failed = true;
        } else if (token.Kind == tkFunction1 || token.Kind == tkFunction2) {
            std::unique_ptr<TreeNode> call = ParseFunction(std::move(token), depth);
            if (!call || !level.PushOperand(std::move(call))) failed = true;
        } else if (token.Kind == tkEnd || token.Kind == tkPunctuation) {
            terminator = std::move(token);
            break;
        } else {
            failed = true;
        }
        if (failed) break;
    }
    if (!failed) {
        while (!level.Operators.empty())
            if (!level.ReduceTop()) {
                failed = true;
                break;
            }
    }
    if (failed) {
        terminator = Token();
        return nullptr;
    }
    if (level.Operands.size() != 1) return nullptr;
    return std::move(level.Operands.back());
}

// Parses one nested level after its '(' was read. `closing` is the mark
// that must end it; 0 accepts either ')' or ','.
std::unique_ptr<TreeNode> TAnalyzer::ParseArgument(char closing, int depth)
{
    if (depth + 1 > kMaxNesting) return nullptr;
    Token terminator;
    std::unique_ptr<TreeNode> sub = ParseLevel(terminator, depth + 1);
    if (terminator.Kind != tkPunctuation) return nullptr;
    if (closing != 0 && terminator.OpChar != closing) return nullptr;
    if (closing == 0 && terminator.OpChar != ')' && terminator.OpChar != ',') return nullptr;
    return sub;
}

std::unique_ptr<TreeNode> TAnalyzer::ParseFunction(Token function, int depth)
{
    Token open;
    NextToken(open);
    if (open.Kind != tkPunctuation || open.OpChar != '(') return nullptr;
    auto node = std::make_unique<TreeNode>(std::move(function));
    if (node->Kind == tkFunction1) {
        node->Left = ParseArgument(')', depth);
        if (!node->Left) return nullptr;
    } else {
        node->Left = ParseArgument(',', depth);
        if (!node->Left) return nullptr;
        node->Right = ParseArgument(')', depth);
        if (!node->Right) return nullptr;
    }
    return node;
}

// ---------------------------------------------------------------- evaluation

bool IsNumberNode(const TreeNode& node)
{
    return node.Kind == tkNumber ||
           (node.Kind != tkFile && node.Rastr.Header.Rows == 0 && node.Rastr.Header.Columns == 0);
}

void FreeTreeCells(TreeNode* root)
{
    // The buffers keep their storage and length: the next window of the
    // same length reuses them without zero-filling megabytes first.
    WalkTree(root, [](TreeNode& node) {
        node.Rastr.HasCells = false;
        return true;
    });
}

bool TAnalyzer::Fail(std::string message)
{
    LastError = std::move(message);
    return false;
}

void TAnalyzer::SetCellWindow(std::int64_t first, std::int64_t count)
{
    WindowFirst = first;
    WindowCount = count;
}

bool TAnalyzer::EvalNumberNode(TreeNode& node)
{
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    switch (node.Kind) {
    case tkNumber: return true;
    case tkUnary:
    case tkFunction1:
        node.Value = node.Left ? UnaryOnNumber(node.Name, node.Left->Value) : kNaN;
        return !std::isnan(node.Value);
    case tkBinary:
    case tkFunction2:
        node.Value = (node.Left && node.Right) ? BinaryOnNumber(node.Name, node.Left->Value, node.Right->Value) : kNaN;
        return !std::isnan(node.Value);
    default: return Fail("Unknown operation");
    }
}

bool TAnalyzer::EvalRasterNode(TreeNode& node)
{
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    switch (node.Kind) {
    case tkNumber: return true;
    case tkFile: return LoadFileLeaf(node);
    case tkUnary:
    case tkFunction1:
        if (!node.Left) {
            node.Value = kNaN;
            return false;
        }
        if (IsNumberNode(*node.Left)) {
            node.Value = UnaryOnNumber(node.Name, node.Left->Value);
            return !std::isnan(node.Value);
        }
        return UnaryOnFile(node);
    case tkBinary:
    case tkFunction2:
        if (!node.Left || !node.Right) {
            node.Value = kNaN;
            return false;
        }
        if (IsNumberNode(*node.Left) && IsNumberNode(*node.Right)) {
            node.Value = BinaryOnNumber(node.Name, node.Left->Value, node.Right->Value);
            return !std::isnan(node.Value);
        }
        if (IsNumberNode(*node.Left)) return BinaryNumberFile(node);
        if (IsNumberNode(*node.Right)) return BinaryFileNumber(node);
        return BinaryFileFile(node);
    default: return false;
    }
}

namespace {

// The node takes over its operand's header and window. The buffers are
// swapped, not copied: the operand gets the node's old (empty) storage.
void TakeOver(RastrFile& node, RastrFile& operand)
{
    node.Header = operand.Header;
    node.FirstCell = operand.FirstCell;
    node.CellCount = operand.CellCount;
    std::swap(node.Cells, operand.Cells);
    std::swap(node.RawCells, operand.RawCells);
    node.HasCells = true;
    operand.HasCells = false;
    // Loaded windows are always real: leaves convert at load.
    QM_ASSERT("Analyzer", node.Header.DataType == dtReal);
}

TExtremes ExtremesOf(RastrFile& raster)
{
    return TExtremes{raster.MinSeen, raster.MaxSeen};
}

} // namespace

bool TAnalyzer::UnaryOnFile(TreeNode& node)
{
    TUnaryOp op;
    if (!FindUnaryOp(node.Name, op)) return Fail(FormatText("Invalid Unary Op. %s File.", node.Name.c_str()));
    RastrFile& operand = node.Left->Rastr;
    if (!operand.HasCells)
        return Fail(FormatText("Invalid parse tree. unary %s File. File is nil. This is program bug.", node.Name.c_str()));
    TakeOver(node.Rastr, operand);
    UnaryCells(op, node.Rastr.Cells, ExtremesOf(node.Rastr));
    return true;
}

bool TAnalyzer::BinaryNumberFile(TreeNode& node)
{
    TBinaryOp op;
    if (!FindBinaryOp(node.Name, op)) return Fail(FormatText("Invalid Binary Op. Number %s File.", node.Name.c_str()));
    RastrFile& operand = node.Right->Rastr;
    if (!operand.HasCells)
        return Fail(FormatText("Invalid parse tree. Number %s File. File is nil. This is program bug.", node.Name.c_str()));
    TakeOver(node.Rastr, operand);
    NumberFileCells(op, node.Left->Value, node.Rastr.Cells, ExtremesOf(node.Rastr));
    return true;
}

bool TAnalyzer::BinaryFileNumber(TreeNode& node)
{
    TBinaryOp op;
    if (!FindBinaryOp(node.Name, op)) return Fail(FormatText("Invalid Binary Op. File %s Number.", node.Name.c_str()));
    RastrFile& operand = node.Left->Rastr;
    if (!operand.HasCells)
        return Fail(FormatText("Invalid parse tree. File %s Number. File is nil. This is program bug.", node.Name.c_str()));
    TakeOver(node.Rastr, operand);
    FileNumberCells(op, node.Rastr.Cells, node.Right->Value, ExtremesOf(node.Rastr));
    return true;
}

bool TAnalyzer::BinaryFileFile(TreeNode& node)
{
    RastrFile& left = node.Left->Rastr;
    RastrFile& right = node.Right->Rastr;
    if (!left.HasCells || !right.HasCells)
        return Fail(FormatText("Invalid parse tree. File %s File. File1 or File2 is nil. This is program bug.",
                               node.Name.c_str()));
    if (left.Header.Rows != right.Header.Rows || left.Header.Columns != right.Header.Columns)
        return Fail(FormatText("%s %s %s. Left file is [%d x %d], Right file is [%d x %d].",
                               left.Header.HeaderFile.c_str(), node.Name.c_str(), right.Header.HeaderFile.c_str(),
                               left.Header.Rows, left.Header.Columns, right.Header.Rows, right.Header.Columns));
    TBinaryOp op;
    if (!FindBinaryOp(node.Name, op)) return Fail(FormatText("Invalid Binary Op. File %s File.", node.Name.c_str()));
    TakeOver(node.Rastr, left);
    // Windows of equal rasters always match; a mismatch stops without a text.
    if (node.Rastr.Cells.size() != right.Cells.size()) return false;
    FileFileCells(op, node.Rastr.Cells, right.Cells, ExtremesOf(node.Rastr));
    return true;
}

// ---------------------------------------------------------------- loading

bool TAnalyzer::CheckRasterHeader(const TIdrisiRDC& header, const std::string& rstName)
{
    // Checked before any cell is read, so that a bad input is refused in the
    // header pass, before the destination's old files are deleted.
    if (std::string error = RasterSizeError(header); !error.empty()) return Fail(std::move(error));
    if (!IsValidDataType(header.DataType) || header.FileType != 1) return Fail("Unknown data type or file type");
    std::uint64_t needed = static_cast<std::uint64_t>(header.Rows) * static_cast<std::uint64_t>(header.Columns) *
                           CellSize(header.DataType);
    std::error_code ec;
    std::uintmax_t length = std::filesystem::file_size(ResolveFileCase(rstName), ec);
    if (ec || length < needed) return Fail(FormatText("File %s is shorter than its header says.", rstName.c_str()));
    return true;
}

bool TAnalyzer::LoadFileLeaf(TreeNode& node)
{
    std::string rdcName = ChangeFileExt(node.Name, ".RDC");
    std::string rstName = ChangeFileExt(node.Name, ".RST");
    bool rdcExists = FileExists(rdcName);
    if (!rdcExists || !FileExists(rstName))
        return Fail(FormatText("File %s does not exist.", (rdcExists ? rstName : rdcName).c_str()));

    TIdrisiRDC header;
    ReadRasterHeader(node.Name, header);
    if (!CheckRasterHeader(header, rstName)) return false;

    RastrFile& raster = node.Rastr;
    raster.Header = std::move(header);
    raster.HasCells = true;
    std::vector<TLaneExtremes> measured;
    if (!LoadCellWindow(raster, rstName, measured)) return false;

    double min = 0;
    double max = 0;
    if (raster.Header.DataType == dtReal) {
        FoldLaneExtremes(measured, raster.Cells, min, max);
    } else {
        // Every operator works on 32-bit floats: convert once, at load.
        RastrFile real;
        real.Header = raster.Header;
        real.Header.DataType = dtReal;
        real.FirstCell = raster.FirstCell;
        real.CellCount = raster.CellCount;
        real.HasCells = true;
        std::swap(real.Cells, raster.Cells); // reuse the node's float storage
        if (raster.CellCount <= 0) real.Cells.clear();
        if (!ConvertRasterType(raster, real)) return false;
        real.MinSeen = raster.MinSeen;
        real.MaxSeen = raster.MaxSeen;
        std::swap(real.RawCells, raster.RawCells); // keep the byte storage for the next window
        raster = std::move(real);
        if (!RasterMinMax(raster, min, max)) return false;
    }
    if (!(min >= raster.MinSeen)) raster.MinSeen = min;
    if (max > raster.MaxSeen) raster.MaxSeen = max;
    return true;
}

bool TAnalyzer::LoadCellWindow(RastrFile& raster, const std::string& rstName, std::vector<TLaneExtremes>& measured)
{
    measured.clear();
    if (WindowCount < 0) {
        raster.Cells.clear();
        raster.RawCells.clear();
        raster.FirstCell = 0;
        raster.CellCount = -1;
        return true;
    }
    std::uint64_t first = static_cast<std::uint64_t>(WindowFirst < 0 ? 0 : WindowFirst);
    std::uint64_t count = static_cast<std::uint64_t>(WindowCount);
    ReadCellWindow(raster, rstName, first, count, measured);
    return true;
}

bool TAnalyzer::ConvertRasterType(const RastrFile& source, RastrFile& target)
{
    if (source.CellCount <= 0) return true;
    if (!IsValidDataType(source.Header.DataType))
        return Fail(FormatText("File %s has invalid data type", source.Header.HeaderFile.c_str()));
    if (!IsValidDataType(target.Header.DataType))
        return Fail(FormatText("File %s has invalid data type", target.Header.HeaderFile.c_str()));
    std::size_t available = source.Header.DataType == dtReal ? source.Cells.size()
                                                               : source.RawCells.size() / CellSize(source.Header.DataType);
    std::size_t count = std::min(static_cast<std::size_t>(source.CellCount), available);
    if (target.Header.DataType == dtReal)
        target.Cells.resize(count);
    else
        target.RawCells.resize(count * CellSize(target.Header.DataType));
    ConvertCells(source.Header.DataType, source.Cells, source.RawCells, target.Header.DataType, target.Cells,
                 target.RawCells, count);
    target.HasCells = true;
    return true;
}

bool TAnalyzer::RasterMinMax(const RastrFile& raster, double& min, double& max)
{
    if (!IsValidDataType(raster.Header.DataType))
        return Fail(FormatText("File %s has invalid data type", raster.Header.HeaderFile.c_str()));
    CellMinMax(raster.Header.DataType, raster.Cells, raster.RawCells, min, max);
    return true;
}
