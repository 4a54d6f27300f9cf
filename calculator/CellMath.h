#pragma once
// The calculator's arithmetic: the operations on numbers, the per-cell
// operations on windows of raster cells and the coding of cells as bytes,
// 16-bit integers and 32-bit floats.
//
// Floating-point faults are found by explicit checks rather than traps: a
// result that is not finite although its operands were is classified and
// raised as QMError "Floating point overflow", "Floating point division by
// zero" or "Invalid floating point operation". Operands that already are NaN
// or infinite pass through without a fault.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

class TReclassIndex;

extern const char* const kOverflowMessage;     // "Floating point overflow"
extern const char* const kZeroDivideMessage;   // "Floating point division by zero"
extern const char* const kInvalidOpMessage;    // "Invalid floating point operation"

// Domain bounds of the cell functions: the doubles nearest to +-3.4e38,
// slightly inside the range of 32-bit floats.
constexpr double kCellHigh = 3.4e38;
constexpr double kCellLow = -3.4e38;

// Power(a, b): 1 when b is 0; 0 when a is 0 and b > 0; square-and-multiply
// for an integral b up to 2^31 - 1 in magnitude (the reciprocal for a
// negative b); otherwise exp(b * ln a). Computed in extended precision where
// the machine has it; faults show as an infinite or NaN result.
double Power(double a, double b);

// The number path. A NaN operand, a value outside a function's domain, an
// unknown name, a division by zero or an invalid operation give NaN; an
// overflow raises QMError "Floating point overflow".
double UnaryOnNumber(std::string_view name, double x);
double BinaryOnNumber(std::string_view name, double a, double b);

// The cell operators, picked by name once per node and window.
enum class TUnaryOp { Plus, Minus, Sqrt, Ln, Sin, Cos, Tan, Abs, Arcsin, Arccos, Arctan };
enum class TBinaryOp { Add, Subtract, Multiply, Divide, Power, Min, Max };
bool FindUnaryOp(std::string_view name, TUnaryOp& op);
bool FindBinaryOp(std::string_view name, TBinaryOp& op);

// A node's running extremes. The minimum is replaced when a value is not >=
// it, so a NaN replaces it; the maximum only by a larger value.
struct TExtremes {
    double& Min;
    double& Max;
};

// Transform a window of real cells in place. A cell outside a unary
// function's domain becomes 0; a division by a cell of 0 gives 0. The
// extremes see the full double result, the cell its 32-bit form; a result
// beyond the 32-bit range raises the overflow fault.
void UnaryCells(TUnaryOp op, std::span<float> cells, TExtremes extremes);
void NumberFileCells(TBinaryOp op, double number, std::span<float> cells, TExtremes extremes);
void FileNumberCells(TBinaryOp op, std::span<float> cells, double number, TExtremes extremes);
// `left` receives the result; both windows hold the same number of cells.
void FileFileCells(TBinaryOp op, std::span<float> left, std::span<const float> right, TExtremes extremes);
// Each cell becomes the value the index gives it.
void ReclassCells(const TReclassIndex& index, std::span<float> cells, TExtremes extremes);

// Bytes a cell takes on disk: 1 for byte, 2 for integer, 4 for anything else.
std::size_t CellSize(std::uint8_t dataType);
bool IsValidDataType(std::uint8_t dataType);

// Rounds to the nearest integer, halves to even; NaN or a magnitude of 2^63
// or more raises QMError "Invalid floating point operation".
std::int64_t RoundCell(double value);
// The low 8 bits, and the low 16 bits as a signed value, of the rounded value.
std::uint8_t CellToByte(double value);
std::int16_t CellToInteger(double value);

// Converts `count` cells between codings. Reals live in `reals`, bytes and
// 16-bit integers (little-endian) in `raw`. Both types must be valid, and
// the source and target spans of their codings must hold `count` cells.
void ConvertCells(std::uint8_t sourceType, std::span<const float> sourceReals, std::span<const std::uint8_t> sourceRaw,
                  std::uint8_t targetType, std::span<float> targetReals, std::span<std::uint8_t> targetRaw,
                  std::size_t count);

// Smallest and largest cell of a window (NaN skipped), as a walk from the
// first cell keeps them: a zero extreme has the sign of the first zero. The
// start values 3.4e38 and -3.4e38 stay when there is no cell.
void CellMinMax(std::uint8_t dataType, std::span<const float> reals, std::span<const std::uint8_t> raw, double& min,
                double& max);

// The same extremes taken slice by slice, so that a window can be measured
// by the threads that read it while its cells are at hand. Lane k holds the
// cells whose index is k modulo kCellLanes; the cells of an incomplete last
// group go to lane 0. Every slice but the window's last therefore holds a
// multiple of kCellLanes cells. Folded in window order, with the window's
// real cells (none for byte and integer cells), the slices give exactly what
// CellMinMax gives for the window; a slice never measured counts as no cells.
inline constexpr std::size_t kCellLanes = 4;
struct TLaneExtremes {
    double Lo[kCellLanes] = {kCellHigh, kCellHigh, kCellHigh, kCellHigh};
    double Hi[kCellLanes] = {kCellLow, kCellLow, kCellLow, kCellLow};
};
TLaneExtremes RealLaneExtremes(std::span<const float> slice);
void FoldLaneExtremes(std::span<const TLaneExtremes> slices, std::span<const float> reals, double& min, double& max);
