// UtilEquateimp: the equation reader. One single-pass operator-precedence reader turns an
// equation text over address-line names either into a tree of UT_ATOM and UT_OPERATOR
// nodes or straight into its truth-table word; both share the tokenizer, the precedence
// rule and every message, which the message manager translates and the UT_EQUATE_IMP
// object keeps. Nesting lives on heap-backed stacks, never on the call stack.
#include "UtilEquateimp.h"

#include "UtilEquate.h"
#include "UtilReport.h"

#include <new>

UT_REPORT_UNIT("UtilEquateimp", "$Revision: 1.1.2.1 $")

namespace {
// "UtilEquateimp", each character stored as its code plus one.
const char mv_modname[] = "VujmFrvbufjnq";

// Precedence by UT_OPERATOR_TYPE, kept here too so that the reader's inner loop reads it
// without going through the library's symbol table.
constexpr uint32_t kPreced[3] = {2, 2, 1};

// The truth-table word of address lines 0 to 5 over 64 addresses; a narrower word keeps
// its low bits, which are the same pattern over fewer addresses.
constexpr uint64_t kLineWords[6] = {0xAAAAAAAAAAAAAAAAull, 0xCCCCCCCCCCCCCCCCull,
                                    0xF0F0F0F0F0F0F0F0ull, 0xFF00FF00FF00FF00ull,
                                    0xFFFF0000FFFF0000ull, 0xFFFFFFFF00000000ull};

// Address lines a word of this type holds the whole table of: log2 of its bits.
template <class Word> constexpr long lines_of() {
  static_assert(sizeof(Word) == 4 || sizeof(Word) == 8, "a table word has 32 or 64 bits");
  return sizeof(Word) == 4 ? 5 : 6;
}

template <class Word> Word line_word(long line) {
  return line < lines_of<Word>() ? static_cast<Word>(kLineWords[line]) : 0;
}

// The one definition of what the three operators compute, without a branch: AND keeps
// the common bits, XOR the differing ones, OR both.
template <class Word> Word apply(UT_OPERATOR_TYPE type, Word left, Word right) {
  const Word both = left & right, either = left ^ right;
  return (type != UT_OP_XOR ? both : 0) | (type != UT_OP_AND ? either : 0);
}

// ---- Tree evaluation and freeing, both without recursion ----

struct EvalFrame {
  const UT_OPERATOR *node;
  uint32_t leftword; // value of the left subtree, once known
  int stage;         // 0 left not started, 1 left under way, 2 right under way
};
using EvalStack = UT_EQ_STACK<EvalFrame>;

uint32_t combine(const UT_OPERATOR *node, uint32_t left, uint32_t right) {
  const uint32_t word = apply(node->type, left, right);
  return node->inverted ? ~word : word;
}

// Starts the evaluation of a child: a leaf (or a missing node, taken as 0) gives its word
// at once and the result is 1; an operator gets a frame of its own and the result is 0.
// Should the stack be unable to grow, the operator is evaluated by a nested walk instead.
int start_child(const UT_PREDICATE *child, EvalStack &stack, uint32_t &word) {
  if (child && child->gettype() == 0) {
    if (stack.push({static_cast<const UT_OPERATOR *>(child), 0, 0}))
      return 0;
    UT_REPORT(numbered_msg, 1, "Out of memory.\n");
  }
  word = child ? child->eval() : 0;
  return 1;
}

// Frees a tree without recursion. Right rotations move each operator on a left spine up
// until the left child is a leaf; that node then loses both children (its leaf is freed,
// its right subtree becomes the next tree to free) and is deleted with nothing attached.
void free_tree(UT_PREDICATE *tree) {
  while (tree) {
    if (tree->gettype() != 0) {
      delete tree;
      return;
    }
    UT_OPERATOR *node = static_cast<UT_OPERATOR *>(tree);
    if (node->left && node->left->gettype() == 0) {
      UT_OPERATOR *pivot = static_cast<UT_OPERATOR *>(node->left); // right rotation
      node->left = pivot->right;
      pivot->right = node;
      tree = pivot;
      continue;
    }
    delete node->left;
    tree = node->right;
    node->left = nullptr;
    node->right = nullptr;
    delete node;
  }
}

// ---- The tokenizer ----

// One entry per character: the token kind it begins (UT_TOKEN_TYPE, or CL_SPACE for a
// blank), whether it continues a name, and for an operator its UT_OPERATOR_TYPE.
enum : uint8_t { CL_KIND = 0x0F, CL_SPACE = 0x0F, CL_ALNUM = 0x10, CL_OPSHIFT = 5 };

struct ClassTable {
  uint8_t of[256];
};

constexpr ClassTable make_classes() {
  ClassTable t{};
  for (int c = 0; c < 256; ++c) {
    const bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool digit = c >= '0' && c <= '9';
    int entry = UT_TOK_BAD;
    if (alpha)
      entry = UT_TOK_NAME;
    else if (c == '0' || c == '1')
      entry = UT_TOK_CONSTANT;
    else if (c == '\0')
      entry = UT_TOK_END;
    else if (c == ' ' || (c >= '\t' && c <= '\r'))
      entry = CL_SPACE;
    else if (c == '(')
      entry = UT_TOK_LPAREN;
    else if (c == ')')
      entry = UT_TOK_RPAREN;
    else if (c == '~')
      entry = UT_TOK_INVERT;
    else if (c == '@')
      entry = UT_TOK_OPERATOR | UT_OP_XOR << CL_OPSHIFT;
    else if (c == '*')
      entry = UT_TOK_OPERATOR | UT_OP_AND << CL_OPSHIFT;
    else if (c == '+')
      entry = UT_TOK_OPERATOR | UT_OP_OR << CL_OPSHIFT;
    t.of[c] = static_cast<uint8_t>(entry | (alpha || digit ? CL_ALNUM : 0));
  }
  return t;
}

constexpr ClassTable kClasses = make_classes();

inline uint8_t class_of(const char *c) { return kClasses.of[static_cast<unsigned char>(*c)]; }

// Names are matched as packed words: their first 8 characters, one a byte, each OR-ed
// with the fold byte. Names hold letters and digits only, and for those OR-ing 0x20
// lower-cases a letter and keeps a digit, so the fold byte 0x20 matches ignoring case
// (as UT_STR::ICompare) and 0 matches exactly (as UT_STR::Compare).
const int kPacked = 8;

struct Token {
  UT_TOKEN_TYPE kind;
  const char *start; // its first character in the text
  long length;       // characters of a name; 1 for any other token, 0 at the end
  uint64_t packed;   // a name's first kPacked characters, folded
};

// Reads the token at `text` after any blanks and moves `text` past it; the end of the
// text and a bad character are left in place.
inline void scan(const char *&text, Token &t, uint8_t fold) {
  uint8_t cls;
  while ((cls = class_of(text)) == CL_SPACE)
    ++text;
  t.start = text;
  t.kind = static_cast<UT_TOKEN_TYPE>(cls & CL_KIND);
  t.length = 1;
  t.packed = 0;
  if (t.kind == UT_TOK_NAME) {
    uint64_t packed = 0;
    long n = 0;
    do {
      if (n < kPacked)
        packed |= static_cast<uint64_t>(static_cast<unsigned char>(text[n]) | fold) << (8 * n);
      ++n;
    } while (class_of(text + n) & CL_ALNUM);
    text += n;
    t.length = n;
    t.packed = packed;
    if (n > UT_EQ_MAXNAME)
      t.kind = UT_TOK_LONGNAME;
  } else if (t.kind == UT_TOK_END) {
    t.length = 0;
  } else if (t.kind != UT_TOK_BAD) {
    ++text;
  }
}

// The token as get_next_token hands it out and the messages quote it: NUL-terminated, a
// name cut after UT_EQ_MAXNAME characters. `token` has UT_EQ_TOKEN_SIZE bytes.
void copy_token(const Token &t, char *token) {
  const long n = t.length < UT_EQ_MAXNAME ? t.length : UT_EQ_MAXNAME;
  for (long i = 0; i < n; ++i)
    token[i] = t.start[i];
  token[n] = '\0';
}

struct PackedName {
  uint64_t packed;
  long length; // -1: the name can match no token
};

// A name that is null, longer than a token may be, or holds anything but letters and
// digits matches no token.
PackedName pack_name(const char *name, uint8_t fold) {
  PackedName p{0, -1};
  if (!name)
    return p;
  long n = 0;
  for (; name[n]; ++n) {
    if (!(class_of(name + n) & CL_ALNUM) || n >= UT_EQ_MAXNAME)
      return p;
    if (n < kPacked)
      p.packed |= static_cast<uint64_t>(static_cast<unsigned char>(name[n]) | fold) << (8 * n);
  }
  p.length = n;
  return p;
}

// The address-line names of one reading: the first kPacked of them packed, the others
// matched with the object's `compare`.
class NameTable {
public:
  NameTable(const char **names, long count, uint8_t fold,
            int (*compare)(const char *, const char *))
      : names(names), count(names && count > 0 ? count : 0), fold(fold), compare(compare) {
    npacked = this->count < kPacked ? this->count : kPacked;
    for (long i = 0; i < kPacked; ++i) {
      packed[i] = i < npacked ? pack_name(names[i], fold) : PackedName{0, -1};
      // A packed word of up to kPacked characters tells the length too (its other bytes
      // are 0, a name's never); 0 stands for no name of such a length.
      shortword[i] = packed[i].length >= 1 && packed[i].length <= kPacked ? packed[i].packed : 0;
    }
  }

  // The first index whose name is the token's, or -1. A short token is compared with all
  // packed names at once, so which one matches costs no mispredicted branch.
  long find(const Token &t) const {
    if (t.length <= kPacked) {
      unsigned hits = 0;
#pragma GCC unroll 8
      for (int i = 0; i < kPacked; ++i)
        hits |= static_cast<unsigned>(shortword[i] == t.packed) << i;
      if (hits)
        return __builtin_ctz(hits);
    } else {
      for (long i = 0; i < npacked; ++i)
        if (packed[i].length == t.length && packed[i].packed == t.packed && rest_equal(i, t))
          return i;
    }
    if (npacked == count)
      return -1;
    char token[UT_EQ_TOKEN_SIZE];
    copy_token(t, token);
    for (long i = npacked; i < count; ++i)
      if (compare(token, names[i]) == 0)
        return i;
    return -1;
  }

private:
  bool rest_equal(long i, const Token &t) const {
    for (long k = kPacked; k < t.length; ++k)
      if ((names[i][k] | fold) != (t.start[k] | fold))
        return false;
    return true;
  }

  const char **names;
  long count;
  uint8_t fold;
  int (*compare)(const char *, const char *);
  long npacked;
  PackedName packed[kPacked];
  uint64_t shortword[kPacked];
};

// ---- What a reduction produces ----

// The tree path: the nodes parse hands out. A failed allocation gives false, and combine
// then frees its operands.
struct TreeBuilder {
  using Word = uint32_t;
  using Value = UT_PREDICATE *;
  static bool leaf(Word word, Value &out) {
    out = new (std::nothrow) UT_ATOM(word);
    return out != nullptr;
  }
  static bool combine(UT_OPERATOR_TYPE type, Value left, Value right, Value &out) {
    out = new (std::nothrow) UT_OPERATOR(type, left, right);
    if (out)
      return true;
    delete left;
    delete right;
    return false;
  }
  static void invert(Value &value, unsigned char parity) { value->toggleinversion(parity); }
  static void discard(Value value) { delete value; }
};

// The word path: the truth table itself, one word operation per operator.
template <class W> struct WordBuilder {
  using Word = W;
  using Value = W;
  static bool leaf(Word word, Value &out) {
    out = word;
    return true;
  }
  static bool combine(UT_OPERATOR_TYPE type, Value left, Value right, Value &out) {
    out = apply(type, left, right);
    return true;
  }
  static void invert(Value &value, unsigned char parity) {
    if (parity)
      value = ~value;
  }
  static void discard(Value) {}
};

// The check path: the reading alone, for callers that want no table.
struct CheckBuilder {
  using Word = uint32_t;
  struct Value {};
  static bool leaf(Word, Value &) { return true; }
  static bool combine(UT_OPERATOR_TYPE, Value, Value, Value &) { return true; }
  static void invert(Value &, unsigned char) {}
  static void discard(Value) {}
};

// ---- The precedence rule ----

// On the reader's operator stack, the '(' of an open group sits below the group's
// operators; its entry says whether the group is to be complemented.
enum : uint8_t { GROUP = 3, GROUP_INVERTED = 4 };

// A pending operator `top` is reduced before `type` is pushed when it binds tighter, or is
// the same operator (a run of one operator groups from the left). AND and XOR bind alike
// but never reduce each other, so where they alternate the later one groups first.
inline bool reduces_before(unsigned top, UT_OPERATOR_TYPE type) {
  return top <= UT_OP_OR && (kPreced[type] < kPreced[top] || top == type);
}

// Reduces pending operators while `pending(top)` holds, `term` being the right operand of
// the first: each reduction pops the left operand and the operator and leaves the result in
// `term`. False when memory ran out; `term` is then freed.
template <class B, class Operands, class Ops, class Pending>
bool reduce_while(Operands &operands, Ops &ops, typename B::Value &term, Pending pending) {
  while (ops.count > 0 && pending(ops.top())) {
    const auto type = static_cast<UT_OPERATOR_TYPE>(ops.pop());
    if (!B::combine(type, operands.pop(), term, term))
      return false;
  }
  return true;
}

// Reduces what binds before the operator `type`, then pushes `term` and the operator.
template <class B, class Operands, class Ops>
bool push_operator(Operands &operands, Ops &ops, typename B::Value term, UT_OPERATOR_TYPE type) {
  if (!reduce_while<B>(operands, ops, term,
                       [type](unsigned top) { return reduces_before(top, type); }))
    return false;
  if (!operands.push(term)) {
    B::discard(term);
    return false;
  }
  return ops.push(type);
}

// ---- The reader ----

enum ReadEnd { READ_END, READ_ERROR, READ_RPAREN, READ_EMPTY };

// Reads an expression from `text` up to its end or a ')' that closes no group. READ_END
// and READ_RPAREN hand the result to the caller; READ_ERROR has stored its message;
// READ_EMPTY means the text ended where an operand was due outside any group. Everything
// built is freed unless it is handed out.
template <class B> class Reader {
public:
  using Value = typename B::Value;
  using Word = typename B::Word;

  Reader(UT_EQUATE_IMP &imp, const char **names, long count)
      : imp(imp), fold(imp.assignform ? 0 : 0x20), names(names, count, fold, imp.compare) {}
  Reader(const Reader &) = delete;
  Reader &operator=(const Reader &) = delete;
  ~Reader() {
    while (operands.count > 0)
      B::discard(operands.pop());
  }

  ReadEnd read(const char *text, Value &result) {
    Token t;
    for (;;) {
      // An operand is due: any number of '~' (an even number cancels), then a name, a
      // constant or the '(' of a group.
      unsigned char parity = 0;
      scan(text, t, fold);
      while (t.kind == UT_TOK_INVERT) {
        parity ^= 1;
        scan(text, t, fold);
      }
      Word word = 0;
      switch (t.kind) {
      case UT_TOK_NAME: {
        const long line = names.find(t);
        if (line < 0)
          return quoted("Unknown literal \"%s\".", t);
        word = line_word<Word>(line);
        break;
      }
      case UT_TOK_CONSTANT:
        word = *t.start == '1' ? static_cast<Word>(~Word(0)) : 0;
        break;
      case UT_TOK_LPAREN:
        if (!ops.push(parity ? GROUP_INVERTED : GROUP))
          return out_of_memory();
        ++open;
        continue;
      case UT_TOK_END:
        return open ? unmatched() : READ_EMPTY;
      case UT_TOK_LONGNAME:
        return quoted("Literal \"%.32s...\" is longer than %d characters.", t, UT_EQ_MAXNAME);
      default:
        return quoted("Unexpected '%s'.", t);
      }
      Value term;
      if (!B::leaf(parity ? static_cast<Word>(~word) : word, term))
        return out_of_memory();
      // An operand has been read: an operator, a ')' or the end follows.
      for (;;) {
        scan(text, t, fold);
        if (t.kind == UT_TOK_OPERATOR) {
          const auto type = static_cast<UT_OPERATOR_TYPE>(class_of(t.start) >> CL_OPSHIFT);
          if (!push_operator<B>(operands, ops, term, type))
            return out_of_memory();
          break;
        }
        if (t.kind != UT_TOK_END && t.kind != UT_TOK_RPAREN) {
          B::discard(term);
          return quoted("Unexpected '%s'.", t);
        }
        if (t.kind == UT_TOK_END && open) {
          B::discard(term);
          return unmatched();
        }
        // Every operator of the group (or of the whole text) is reduced.
        if (!reduce_while<B>(operands, ops, term, [](unsigned top) { return top <= UT_OP_OR; }))
          return out_of_memory();
        if (t.kind == UT_TOK_RPAREN && open) { // the group is an operand of its level
          --open;
          B::invert(term, ops.pop() == GROUP_INVERTED);
          continue;
        }
        result = term;
        return t.kind == UT_TOK_END ? READ_END : READ_RPAREN;
      }
    }
  }

private:
  template <class... Args> ReadEnd quoted(const char *fmt, const Token &t, Args... args) {
    char token[UT_EQ_TOKEN_SIZE];
    copy_token(t, token);
    imp.storemsg(mv_modname, fmt, token, args...);
    return READ_ERROR;
  }
  ReadEnd unmatched() {
    imp.storemsg(mv_modname, "Unmatched '('.");
    return READ_ERROR;
  }
  ReadEnd out_of_memory() {
    imp.storemsg(mv_modname, "Out of memory.");
    return READ_ERROR;
  }

  UT_EQUATE_IMP &imp;
  const uint8_t fold;
  const NameTable names;
  UT_EQ_STACK<Value> operands;
  UT_EQ_STACK<uint8_t> ops; // UT_OPERATOR_TYPE, GROUP or GROUP_INVERTED
  long open = 0;            // groups whose ')' is still to come
};

// Reads the equation after the first '=' of `text` (all of it when it has none) and
// stores the messages of a whole equation. 1 with `result` set, 0 with a message stored.
// After a stray ')' `result` holds what was read before it; otherwise it is empty.
template <class B>
int read_equation(UT_EQUATE_IMP &imp, const char *text, const char **names, long count,
                  typename B::Value &result) {
  result = typename B::Value();
  const char *equals = UT_STR::FindChar(text, '=');
  Reader<B> reader(imp, names, count);
  switch (reader.read(equals ? equals + 1 : text ? text : "", result)) {
  case READ_END:
    return 1;
  case READ_ERROR:
    return 0;
  case READ_RPAREN:
    imp.storemsg(mv_modname, "Too many right parens.");
    return 0;
  case READ_EMPTY:
    break;
  }
  imp.storemsg(mv_modname, "Empty equate string - ignoring.");
  return 0;
}
} // namespace

const uint32_t mv_preced[3] = {kPreced[0], kPreced[1], kPreced[2]};
const uint32_t mv_bits_table[5] = {
    static_cast<uint32_t>(kLineWords[0]), static_cast<uint32_t>(kLineWords[1]),
    static_cast<uint32_t>(kLineWords[2]), static_cast<uint32_t>(kLineWords[3]),
    static_cast<uint32_t>(kLineWords[4])};

void UT_ATOM::toggleinversion(unsigned char flag) {
  if (flag)
    value = ~value;
}

void UT_OPERATOR::toggleinversion(unsigned char flag) {
  if (flag)
    inverted = inverted ? 0 : 1;
}

UT_OPERATOR::~UT_OPERATOR() {
  UT_PREDICATE *l = left;
  UT_PREDICATE *r = right;
  left = nullptr;
  right = nullptr;
  free_tree(l);
  free_tree(r);
}

// Post-order walk over an explicit stack: one word operation per operator node.
uint32_t UT_OPERATOR::eval() const {
  EvalStack stack;
  stack.push({this, 0, 0});
  uint32_t word = 0; // value of the subtree finished last
  while (stack.count > 0) {
    EvalFrame &frame = stack.top();
    const UT_OPERATOR *node = frame.node;
    if (frame.stage == 0) {
      frame.stage = 1;
      if (!start_child(node->left, stack, word))
        continue;
    }
    EvalFrame &current = stack.top(); // still this node's frame: no child was pushed
    if (current.stage == 1) {
      current.leftword = word;
      current.stage = 2;
      if (!start_child(node->right, stack, word))
        continue;
    }
    word = combine(node, stack.top().leftword, word);
    stack.pop();
  }
  return word;
}

UT_TOKEN_TYPE get_next_token(char *&text, char *token) {
  if (!token) {
    UT_REPORT(numbered_msg, 19, "Bad token string.\n");
    return UT_TOK_BAD;
  }
  token[0] = '\0';
  if (!text)
    return UT_TOK_END;
  const char *cursor = text;
  Token t;
  scan(cursor, t, 0);
  copy_token(t, token);
  text += cursor - text;
  return t.kind;
}

UT_OPERATOR *reduce_expr(UT_PRED_STACK *operands, UT_OPER_STACK *ops) {
  UT_PREDICATE *right = operands->pop();
  UT_PREDICATE *left = operands->pop();
  UT_PREDICATE *node = nullptr;
  TreeBuilder::combine(ops->pop(), left, right, node);
  return static_cast<UT_OPERATOR *>(node);
}

int get_operator(UT_OPER_STACK &ops, UT_PRED_STACK &operands, char *token, UT_PREDICATE *operand) {
  const uint8_t cls = token ? class_of(token) : 0;
  if ((cls & CL_KIND) != UT_TOK_OPERATOR) {
    if (!operands.push(operand))
      delete operand;
    UT_REPORT(numbered_msg, 19, "Bad operator type.\n");
    return -1;
  }
  return push_operator<TreeBuilder>(operands, ops, operand,
                                    static_cast<UT_OPERATOR_TYPE>(cls >> CL_OPSHIFT));
}

UT_EQUATE_IMP::UT_EQUATE_IMP(unsigned char assignform)
    : outtext(100), errmsg(nullptr), assignform(assignform),
      compare(assignform ? UT_STR::Compare : UT_STR::ICompare) {}

UT_EQUATE_IMP::~UT_EQUATE_IMP() { delete[] errmsg; }

void UT_EQUATE_IMP::seterrmsg(const wchar_t *msg) {
  delete[] errmsg;
  errmsg = UT_STR::WDup(msg);
}

int UT_EQUATE_IMP::parse(char *text, const char **names, const long count, UT_PREDICATE *&result) {
  return read_equation<TreeBuilder>(*this, text, names, count, result);
}

template <class Word>
int UT_EQUATE_IMP::readtable(const char *text, const char **names, long nlines, Word &table) {
  Word word = 0;
  const int read = read_equation<WordBuilder<Word>>(*this, text, names, nlines, word);
  table = read ? word : 0;
  return read ? UT_EQ_OK : UT_EQ_INVALID;
}

int UT_EQUATE_IMP::readcheck(const char *text, const char **names, long nlines) {
  CheckBuilder::Value nothing;
  return read_equation<CheckBuilder>(*this, text, names, nlines, nothing) ? UT_EQ_OK
                                                                          : UT_EQ_INVALID;
}

template int UT_EQUATE_IMP::readtable<uint32_t>(const char *, const char **, long, uint32_t &);
template int UT_EQUATE_IMP::readtable<uint64_t>(const char *, const char **, long, uint64_t &);
