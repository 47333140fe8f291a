// UtilEquateimp: the equation reader behind UT_EQUATE. One single-pass operator-precedence
// reader over two heap-backed stacks, nesting included, that either builds an expression
// tree (parse) or computes the truth table directly in a word (readtable): bit k of the
// word is the equation's value at address k.
#ifndef UTILEQUATEIMP_H
#define UTILEQUATEIMP_H

#include "Portability.h"
#include "UtilString.h"

#include <cstdint>

enum UT_OPERATOR_TYPE { UT_OP_XOR = 0, UT_OP_AND = 1, UT_OP_OR = 2 };

enum UT_PRED_STATUS {
  UT_PRED_END = 0,   // the expression ended at the end of the text
  UT_PRED_ERROR = 1, // an error was found; its message is stored
  UT_PRED_RPAREN = 2 // the expression ended at a ')', which has been consumed
};

enum UT_TOKEN_TYPE {
  UT_TOK_BAD = 0,
  UT_TOK_END = 1,
  UT_TOK_OPERATOR = 2,
  UT_TOK_NAME = 3,
  UT_TOK_CONSTANT = 4,
  UT_TOK_INVERT = 5,
  UT_TOK_LPAREN = 6,
  UT_TOK_RPAREN = 7,
  UT_TOK_LONGNAME = 8 // a name longer than UT_EQ_MAXNAME: token holds its first characters
};

// Precedence by UT_OPERATOR_TYPE (higher binds tighter) and the truth-table word of
// address lines 0 to 4: bit k of mv_bits_table[i] is bit i of the address k.
extern const uint32_t mv_preced[3];
extern const uint32_t mv_bits_table[5];

const int UT_EQ_MAXNAME = 256;                  // longest name the reader accepts
const int UT_EQ_TOKEN_SIZE = UT_EQ_MAXNAME + 1; // a token buffer, NUL included
const int UT_EQ_STACKSIZE = 100;                // stack entries kept inside the stack object

// A tree node. Trees are owned by whoever holds the root; deleting the root frees all.
class UT_PREDICATE {
public:
  virtual ~UT_PREDICATE() = default;
  virtual void toggleinversion(unsigned char flag) = 0; // nonzero flag complements the node
  virtual int gettype() const = 0;                      // 0 operator, 1 atom
  virtual uint32_t eval() const = 0;                    // the node's truth-table word
};

// A leaf: the truth-table word of a name or a constant, complemented where asked.
class UT_ATOM : public UT_PREDICATE {
public:
  explicit UT_ATOM(unsigned long value) : value(static_cast<uint32_t>(value)) {}
  void toggleinversion(unsigned char flag) override;
  int gettype() const override { return 1; }
  uint32_t eval() const override { return value; }

  uint32_t value;
};

// A binary operation over two owned subtrees, complemented when `inverted` is nonzero.
// Evaluation and destruction walk the tree without recursion, so a tree of any depth
// (a long run of alternating '*' and '@' is as deep as it is long) is safe.
class UT_OPERATOR : public UT_PREDICATE {
public:
  UT_OPERATOR(UT_OPERATOR_TYPE type, UT_PREDICATE *left, UT_PREDICATE *right)
      : type(type), left(left), right(right), inverted(0) {}
  ~UT_OPERATOR() override;
  UT_OPERATOR(const UT_OPERATOR &) = delete;
  UT_OPERATOR &operator=(const UT_OPERATOR &) = delete;
  void toggleinversion(unsigned char flag) override;
  int gettype() const override { return 0; }
  uint32_t eval() const override;

  UT_OPERATOR_TYPE type;
  UT_PREDICATE *left;
  UT_PREDICATE *right;
  unsigned char inverted;
};

// A stack that keeps its first UT_EQ_STACKSIZE entries in `items` inside the object and
// moves to a kor_malloc'ed array, doubling, when they are used up: ordinary equations
// allocate nothing and deep ones are bounded by memory alone. T is a plain value (word,
// pointer, enumeration, record) copied bytewise.
template <class T> class UT_EQ_STACK {
public:
  UT_EQ_STACK() : count(0), data(items), capacity(UT_EQ_STACKSIZE) {}
  ~UT_EQ_STACK() {
    if (data != items)
      kor_free(data);
  }
  UT_EQ_STACK(const UT_EQ_STACK &) = delete;
  UT_EQ_STACK &operator=(const UT_EQ_STACK &) = delete;

  // 1 done; 0 when the array cannot grow (nothing pushed).
  int push(T value) {
    if (count == capacity && !grow())
      return 0;
    data[count++] = value;
    return 1;
  }
  T pop() { return data[--count]; } // count must be positive
  T &top() { return data[count - 1]; }

  T items[UT_EQ_STACKSIZE];
  int32_t count;

private:
  int grow() {
    const uint64_t cap = 2 * static_cast<uint64_t>(capacity);
    if (cap * sizeof(T) > UINT32_MAX || cap > INT32_MAX)
      return 0;
    const unsigned bytes = static_cast<unsigned>(cap * sizeof(T));
    T *bigger = static_cast<T *>(data == items ? kor_malloc(bytes) : kor_realloc(data, bytes));
    if (!bigger)
      return 0;
    if (data == items)
      UT_MEMORY::Copy(bigger, items, static_cast<unsigned>(sizeof items));
    data = bigger;
    capacity = static_cast<int32_t>(cap);
    return 1;
  }
  T *data;
  int32_t capacity;
};

// Pending operands of get_operator; owns them and deletes what is left on it.
class UT_PRED_STACK : public UT_EQ_STACK<UT_PREDICATE *> {
public:
  ~UT_PRED_STACK() {
    while (count > 0)
      delete pop();
  }
};

// Pending operators of get_operator.
class UT_OPER_STACK : public UT_EQ_STACK<UT_OPERATOR_TYPE> {};

// Reads the next token into `token` (UT_EQ_TOKEN_SIZE bytes) and moves `text` past it;
// a bad character is left in place. The text is never written.
UT_TOKEN_TYPE get_next_token(char *&text, char *token);
// Pushes `operand` (always taken over) and the operator of `token`, first reducing the
// pending operators that bind at least as tightly. 1 done, 0 out of memory, -1 when the
// token is no operator (reported; nothing of undefined type is built).
int get_operator(UT_OPER_STACK &ops, UT_PRED_STACK &operands, char *token, UT_PREDICATE *operand);
// Pops the two top operands and the top operator and returns their new node (null when
// memory ran out; the operands are then deleted).
UT_OPERATOR *reduce_expr(UT_PRED_STACK *operands, UT_OPER_STACK *ops);

// The work behind UT_EQUATE: the reader's members (UtilEquateimp) and the conversions
// (UtilEquate). Every operation keeps its message, translated, in `errmsg`.
class UT_EQUATE_IMP {
public:
  explicit UT_EQUATE_IMP(unsigned char assignform);
  ~UT_EQUATE_IMP();
  UT_EQUATE_IMP(const UT_EQUATE_IMP &) = delete;
  UT_EQUATE_IMP &operator=(const UT_EQUATE_IMP &) = delete;

  void seterrmsg(const wchar_t *msg); // null clears
  const wchar_t *geterrmsg() const { return errmsg; }

  // The reader. `names[i]` names address line i; names are matched with `compare`.
  // parse reads the equation after the first '=' of `text` (all of it when it has none)
  // into a tree that the caller owns, in every case; 1 done, 0 with the message stored.
  // After a stray ')' the tree read before it is handed back.
  int parse(char *text, const char **names, const long count, UT_PREDICATE *&result);

  // Reads the equation after the first '=' of `text` (all of it when it has none) over
  // names[0..nlines-1] (matched with `compare`) and computes its truth table: bit k of
  // `table` is the value at address k, address line i being bit i of k, for all
  // 8*sizeof(Word) addresses. A name with index i >= log2(8*sizeof(Word)) has the word 0.
  // Returns UT_EQ_OK (1), or UT_EQ_INVALID (5) with the reader's message, "Too many right
  // parens." or "Empty equate string - ignoring." stored (`table` is then 0). It does not
  // check nlines against a range and does not clear an earlier message on success.
  // Instantiated for uint32_t and uint64_t.
  template <class Word>
  int readtable(const char *text, const char **names, long nlines, Word &table);
  // The same reading and results, without computing the table.
  int readcheck(const char *text, const char **names, long nlines);

  // The conversions; results are the UT_EQ_* codes of UtilEquate.h.
  int gen_equatestr(const char *const init, const char **names, const long nlines,
                    const char *const lhs, char *&out);
  int gen_hex(const char *const equation, const char **names, const long nlines,
              const char *const lhs, char *&out);
  int gen_hex(const char *const equation, const char **names, const long nlines, char *&out);
  int validate(const char *const text, const char *const lhs, const char **names,
               const long nlines);
  int validate(const char *const text, const char **names, const long nlines);
  int buildbits(const char *const hex, const long nbits, unsigned char *bits);
  int validate_hex(const char *text);

  // Has the message manager format and translate a message and keeps the result.
  // `modname` is the calling unit's encoded module name.
  template <class... Args> void storemsg(const char *modname, const char *fmt, Args... args) {
    seterrmsg(ut_msgman->translate_msg("Utilities", UT_STR::Decode(modname), fmt, args...));
  }

  UT_STRING outtext;
  wchar_t *errmsg;
  unsigned char assignform;
  int (*compare)(const char *, const char *);
};

#endif
