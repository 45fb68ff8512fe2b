// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/condition.h"

#include <array>
#include <cctype>

#include "debugger/symbols.h"

namespace tirvane {

enum class Condition::Op : uint8_t {
  Number, Reg8, Reg16, Flag, Memory,
  Negate, Complement, Not,
  Add, Subtract, BitAnd, BitOr, BitXor,
  Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual,
  And, Or,
};

namespace {

using Op = Condition::Op;

// The parser refuses deeper nesting, which also bounds the evaluation stack.
constexpr int MaxNesting = 48;
constexpr int MaxStack = 4 * MaxNesting + 8;

struct NamedSelector {
  const char* Name;
  int Selector;
};
constexpr NamedSelector Registers8[] = {{"A", 0},   {"F", 1},    {"B", 2},    {"C", 3},    {"D", 4},
                                        {"E", 5},   {"H", 6},    {"L", 7},    {"I", 8},    {"R", 9},
                                        {"IXH", 10}, {"IXL", 11}, {"IYH", 12}, {"IYL", 13}};
constexpr NamedSelector Registers16[] = {{"AF", 0}, {"BC", 1}, {"DE", 2},   {"HL", 3},   {"IX", 4},  {"IY", 5},
                                         {"SP", 6}, {"PC", 7}, {"AF'", 8}, {"BC'", 9}, {"DE'", 10}, {"HL'", 11}};
// Selector: the flag mask, plus 0x100 when the test is for the flag being clear.
constexpr NamedSelector Flags[] = {{"Z", FlagZ},          {"NZ", FlagZ | 0x100}, {"C", FlagC},
                                   {"NC", FlagC | 0x100}, {"PE", FlagPV},        {"PO", FlagPV | 0x100},
                                   {"M", FlagS},          {"P", FlagS | 0x100},  {"S", FlagS},
                                   {"H", FlagH},          {"N", FlagN},          {"PV", FlagPV},
                                   {"V", FlagPV}};

template <size_t N>
std::optional<int> Lookup(const NamedSelector (&table)[N], std::string_view upper) {
  for (const NamedSelector& row : table)
    if (upper == row.Name) return row.Selector;
  return std::nullopt;
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

bool NameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '@'; }
bool NameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '@' || c == '$' || c == '?';
}

enum class TokenKind { End, Number, Name, Symbol };
struct Token {
  TokenKind Kind = TokenKind::End;
  std::string_view Text;
  int Position = 0;  // 1-based
  int32_t Value = 0;
};

class Parser {
 public:
  Parser(std::string_view text, const SymbolTable* symbols) : text_(text), symbols_(symbols) {}

  bool Run(std::vector<Condition::Instruction>& code, int& depth, ConditionError& error) {
    if (!Advance()) return Fail(error);
    Kind kind;
    if (!ParseOr(kind)) return Fail(error);
    if (token_.Kind != TokenKind::End) {
      Error(token_.Position, "unexpected '" + std::string(token_.Text) + "'");
      return Fail(error);
    }
    if (maxHeight_ > MaxStack) {
      Error(1, "the condition is too long");
      return Fail(error);
    }
    code = std::move(code_);
    depth = maxHeight_;
    return true;
  }

 private:
  enum class Kind { Value, Truth };

  bool Fail(ConditionError& error) {
    error = error_;
    return false;
  }
  bool Error(int position, std::string message) {
    if (error_.Message.empty()) error_ = {position, std::move(message)};
    return false;
  }

  bool Advance() {
    size_t i = pos_;
    while (i < text_.size() && std::isspace(static_cast<unsigned char>(text_[i]))) ++i;
    token_ = {};
    token_.Position = static_cast<int>(i) + 1;
    if (i >= text_.size()) {
      pos_ = i;
      return true;
    }
    const char c = text_[i];
    size_t end = i + 1;
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '$' || c == '%' || c == '#') {
      while (end < text_.size() && std::isalnum(static_cast<unsigned char>(text_[end]))) ++end;
      token_.Kind = TokenKind::Number;
      token_.Text = text_.substr(i, end - i);
      if (!ReadNumber(token_.Text, token_.Value))
        return Error(token_.Position, "'" + std::string(token_.Text) + "' is not a number");
    } else if (NameStart(c)) {
      while (end < text_.size() && NameChar(text_[end])) ++end;
      if (end < text_.size() && text_[end] == '\'') ++end;  // AF' and the other alternate pairs
      token_.Kind = TokenKind::Name;
      token_.Text = text_.substr(i, end - i);
    } else {
      static constexpr std::string_view Pairs[] = {"<>", "!=", "<=", ">=", "==", "&&", "||"};
      for (std::string_view pair : Pairs)
        if (text_.substr(i, 2) == pair) end = i + 2;
      if (std::string_view("()=<>!+-&|^~").find(c) == std::string_view::npos)
        return Error(token_.Position, std::string("unexpected character '") + c + "'");
      token_.Kind = TokenKind::Symbol;
      token_.Text = text_.substr(i, end - i);
    }
    pos_ = end;
    return true;
  }

  // Decimal; 0FFh; $FF, #FF or 0xFF; %101.
  static bool ReadNumber(std::string_view text, int32_t& value) {
    int base = 10;
    if (text.front() == '$' || text.front() == '#') {
      base = 16;
      text.remove_prefix(1);
    } else if (text.front() == '%') {
      base = 2;
      text.remove_prefix(1);
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
      base = 16;
      text.remove_prefix(2);
    } else if (text.back() == 'h' || text.back() == 'H') {
      base = 16;
      text.remove_suffix(1);
    }
    if (text.empty() || text.size() > 10) return false;
    int64_t result = 0;
    for (char c : text) {
      const int digit = std::isdigit(static_cast<unsigned char>(c))
                            ? c - '0'
                            : (std::isxdigit(static_cast<unsigned char>(c))
                                   ? std::toupper(static_cast<unsigned char>(c)) - 'A' + 10
                                   : 99);
      if (digit >= base) return false;
      result = result * base + digit;
    }
    if (result > 0x7FFFFFFF) return false;
    value = static_cast<int32_t>(result);
    return true;
  }

  bool Is(std::string_view symbol) const {
    return token_.Kind == TokenKind::Symbol && token_.Text == symbol;
  }
  bool IsWord(std::string_view word) const {
    return token_.Kind == TokenKind::Name && Upper(token_.Text) == word;
  }

  void Emit(Op op, int32_t operand, int heightChange) {
    code_.push_back({op, operand});
    height_ += heightChange;
    if (height_ > maxHeight_) maxHeight_ = height_;
  }

  bool Enter() {
    if (++nesting_ > MaxNesting) return Error(token_.Position, "the condition is nested too deeply");
    return true;
  }

  bool ParseOr(Kind& kind) {
    if (!Enter() || !ParseAnd(kind)) return false;
    while (IsWord("OR") || Is("||")) {
      if (!Advance() || !ParseAnd(kind)) return false;
      Emit(Op::Or, 0, -1);
      kind = Kind::Truth;
    }
    --nesting_;
    return true;
  }

  bool ParseAnd(Kind& kind) {
    if (!ParseNot(kind)) return false;
    while (IsWord("AND") || Is("&&")) {
      if (!Advance() || !ParseNot(kind)) return false;
      Emit(Op::And, 0, -1);
      kind = Kind::Truth;
    }
    return true;
  }

  bool ParseNot(Kind& kind) {
    if (IsWord("NOT") || Is("!")) {
      if (!Enter() || !Advance() || !ParseNot(kind)) return false;
      --nesting_;
      Emit(Op::Not, 0, 0);
      kind = Kind::Truth;
      return true;
    }
    return ParseComparison(kind);
  }

  bool ParseComparison(Kind& kind) {
    const Token first = token_;
    const size_t codeBefore = code_.size();
    if (!ParseSum(kind)) return false;
    static constexpr std::pair<std::string_view, Op> Comparisons[] = {
        {"=", Op::Equal},   {"==", Op::Equal},  {"<>", Op::NotEqual},  {"!=", Op::NotEqual},
        {"<", Op::Less},    {">", Op::Greater}, {"<=", Op::LessEqual}, {">=", Op::GreaterEqual}};
    for (const auto& [symbol, op] : Comparisons) {
      if (!Is(symbol)) continue;
      const Token at = token_;
      if (kind != Kind::Value) return Error(at.Position, "'" + std::string(symbol) + "' compares values, not conditions");
      if (!Advance()) return false;
      Kind right;
      if (token_.Kind == TokenKind::End) return Error(token_.Position, "expected a value after '" + std::string(symbol) + "'");
      if (!ParseSum(right)) return false;
      if (right != Kind::Value) return Error(at.Position, "'" + std::string(symbol) + "' compares values, not conditions");
      Emit(op, 0, -1);
      kind = Kind::Truth;
      return true;
    }
    // A lone C or H is the flag, not the register.
    if (first.Kind == TokenKind::Name && code_.size() == codeBefore + 1 && code_.back().Code == Op::Reg8) {
      if (const auto flag = Lookup(Flags, Upper(first.Text))) {
        code_.back() = {Op::Flag, *flag};
        kind = Kind::Truth;
      }
    }
    return true;
  }

  bool ParseSum(Kind& kind) {
    if (!ParseUnary(kind)) return false;
    static constexpr std::pair<std::string_view, Op> Operators[] = {
        {"+", Op::Add}, {"-", Op::Subtract}, {"&", Op::BitAnd}, {"|", Op::BitOr}, {"^", Op::BitXor}};
    for (bool more = true; more;) {
      more = false;
      for (const auto& [symbol, op] : Operators) {
        if (!Is(symbol)) continue;
        const int position = token_.Position;
        Kind right;
        if (!Advance() || !ParseUnary(right)) return false;
        if (kind != Kind::Value || right != Kind::Value)
          return Error(position, "'" + std::string(symbol) + "' needs values on both sides");
        Emit(op, 0, -1);
        more = true;
        break;
      }
    }
    return true;
  }

  bool ParseUnary(Kind& kind) {
    if (Is("-") || Is("~")) {
      const Op op = Is("-") ? Op::Negate : Op::Complement;
      const int position = token_.Position;
      if (!Enter() || !Advance() || !ParseUnary(kind)) return false;
      --nesting_;
      if (kind != Kind::Value) return Error(position, "'-' and '~' need a value");
      Emit(op, 0, 0);
      return true;
    }
    return ParsePrimary(kind);
  }

  bool ParsePrimary(Kind& kind) {
    const Token token = token_;
    kind = Kind::Value;
    switch (token.Kind) {
      case TokenKind::End:
        return Error(token.Position, "expected a value");
      case TokenKind::Number:
        Emit(Op::Number, token.Value, 1);
        return Advance();
      case TokenKind::Symbol: {
        if (!Is("(")) return Error(token.Position, "expected a value, not '" + std::string(token.Text) + "'");
        if (!Advance()) return false;
        Kind inner;
        if (!ParseOr(inner)) return false;
        if (!Is(")")) return Error(token_.Position, "expected ')' to close the '(' at column " + std::to_string(token.Position));
        if (inner == Kind::Value)
          Emit(Op::Memory, 0, 0);
        else
          kind = Kind::Truth;
        return Advance();
      }
      case TokenKind::Name:
        break;
    }
    const std::string upper = Upper(token.Text);
    if (upper == "AND" || upper == "OR" || upper == "NOT")
      return Error(token.Position, "expected a value before '" + std::string(token.Text) + "'");
    if (const auto r = Lookup(Registers16, upper)) {
      Emit(Op::Reg16, *r, 1);
    } else if (const auto r8 = Lookup(Registers8, upper)) {
      Emit(Op::Reg8, *r8, 1);
    } else if (const auto flag = Lookup(Flags, upper)) {
      Emit(Op::Flag, *flag, 1);
      kind = Kind::Truth;
    } else if (const auto address = symbols_ ? symbols_->Find(token.Text) : std::nullopt) {
      Emit(Op::Number, *address, 1);
    } else {
      return Error(token.Position, "unknown name '" + std::string(token.Text) + "'");
    }
    return Advance();
  }

  std::string_view text_;
  const SymbolTable* symbols_;
  size_t pos_ = 0;
  Token token_;
  ConditionError error_;
  std::vector<Condition::Instruction> code_;
  int height_ = 0;
  int maxHeight_ = 0;
  int nesting_ = 0;
};

int32_t Register8(const Z80Context& z, int selector) {
  switch (selector) {
    case 0: return z.AF.h;
    case 1: return z.AF.l;
    case 2: return z.BC.h;
    case 3: return z.BC.l;
    case 4: return z.DE.h;
    case 5: return z.DE.l;
    case 6: return z.HL.h;
    case 7: return z.HL.l;
    case 8: return z.I;
    case 9: return z.R;
    case 10: return z.IX.h;
    case 11: return z.IX.l;
    case 12: return z.IY.h;
    default: return z.IY.l;
  }
}

int32_t Register16(const Z80Context& z, int selector) {
  const std::array<uint16_t, 12> pairs = {z.AF.w, z.BC.w, z.DE.w, z.HL.w, z.IX.w, z.IY.w,
                                          z.SP.w, z.PC.w, z.AltAF.w, z.AltBC.w, z.AltDE.w, z.AltHL.w};
  return pairs[static_cast<size_t>(selector)];
}

}  // namespace

std::string ConditionError::Text() const { return "Column " + std::to_string(Position) + ": " + Message; }

std::optional<Condition> Condition::Parse(std::string_view text, const SymbolTable* symbols, ConditionError& error) {
  Condition condition;
  condition.text_ = std::string(text);
  bool blank = true;
  for (char c : text) blank = blank && std::isspace(static_cast<unsigned char>(c));
  if (blank) return condition;
  Parser parser(condition.text_, symbols);
  if (!parser.Run(condition.code_, condition.depth_, error)) return std::nullopt;
  return condition;
}

bool Condition::Evaluate(const Z80Context& z, const uint8_t* memory) const {
  return code_.empty() || Value(z, memory) != 0;
}

int32_t Condition::Value(const Z80Context& z, const uint8_t* memory) const {
  if (code_.empty()) return 1;
  // Unsigned arithmetic: wrapping is defined, and the comparisons below read the values back signed.
  std::array<uint32_t, MaxStack> stack;
  int top = -1;
  auto s = [&](int at) -> int32_t { return static_cast<int32_t>(stack[static_cast<size_t>(at)]); };
  for (const Instruction& in : code_) {
    uint32_t* t = top >= 0 ? &stack[static_cast<size_t>(top)] : nullptr;
    switch (in.Code) {
      case Op::Number: stack[static_cast<size_t>(++top)] = static_cast<uint32_t>(in.Operand); break;
      case Op::Reg8: stack[static_cast<size_t>(++top)] = static_cast<uint32_t>(Register8(z, in.Operand)); break;
      case Op::Reg16: stack[static_cast<size_t>(++top)] = static_cast<uint32_t>(Register16(z, in.Operand)); break;
      case Op::Flag: {
        const bool set = (z.AF.l & (in.Operand & 0xFF)) != 0;
        stack[static_cast<size_t>(++top)] = (in.Operand & 0x100) ? !set : set;
        break;
      }
      case Op::Memory: *t = memory[*t & 0xFFFF]; break;
      case Op::Negate: *t = 0u - *t; break;
      case Op::Complement: *t = ~*t; break;
      case Op::Not: *t = *t == 0; break;
      default: {
        const int32_t a = s(top - 1), b = s(top);
        uint32_t& r = stack[static_cast<size_t>(--top)];
        switch (in.Code) {
          case Op::Add: r = static_cast<uint32_t>(a) + static_cast<uint32_t>(b); break;
          case Op::Subtract: r = static_cast<uint32_t>(a) - static_cast<uint32_t>(b); break;
          case Op::BitAnd: r = static_cast<uint32_t>(a & b); break;
          case Op::BitOr: r = static_cast<uint32_t>(a | b); break;
          case Op::BitXor: r = static_cast<uint32_t>(a ^ b); break;
          case Op::Equal: r = a == b; break;
          case Op::NotEqual: r = a != b; break;
          case Op::Less: r = a < b; break;
          case Op::Greater: r = a > b; break;
          case Op::LessEqual: r = a <= b; break;
          case Op::GreaterEqual: r = a >= b; break;
          case Op::And: r = a != 0 && b != 0; break;
          case Op::Or: r = a != 0 || b != 0; break;
          default: break;
        }
      }
    }
  }
  return s(top);
}

}  // namespace tirvane
