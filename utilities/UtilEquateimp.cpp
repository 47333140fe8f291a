// UtilEquateimp: the equation reader. Turns an equation text over address-line names into
// a tree of UT_ATOM and UT_OPERATOR nodes; messages are translated by the message manager
// and kept in the UT_EQUATE_IMP object. Relies on the platform layer's text helpers.
#include "UtilEquateimp.h"

#include "UtilReport.h"

#include <new>

UT_REPORT_UNIT("UtilEquateimp", "$Revision: 1.1.2.1 $")

namespace {
// "UtilEquateimp", each character stored as its code plus one.
const char mv_modname[] = "VujmFrvbufjnq";

struct EvalFrame {
  const UT_OPERATOR *node;
  uint32_t leftword; // value of the left subtree, once known
  int stage;         // 0 left not started, 1 left under way, 2 right under way
};
using EvalStack = UT_EQ_STACK<EvalFrame>;

uint32_t combine(const UT_OPERATOR *node, uint32_t left, uint32_t right) {
  uint32_t word = 0;
  switch (node->type) {
  case UT_OP_XOR:
    word = left ^ right;
    break;
  case UT_OP_AND:
    word = left & right;
    break;
  case UT_OP_OR:
    word = left | right;
    break;
  }
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

UT_OPERATOR_TYPE operator_of(char c, int &known) {
  known = 1;
  switch (c) {
  case '*':
    return UT_OP_AND;
  case '+':
    return UT_OP_OR;
  case '@':
    return UT_OP_XOR;
  default:
    known = 0;
    return UT_OP_AND;
  }
}
} // namespace

const uint32_t mv_preced[3] = {2, 2, 1};
const uint32_t mv_bits_table[5] = {0xAAAAAAAAu, 0xCCCCCCCCu, 0xF0F0F0F0u, 0xFF00FF00u, 0xFFFF0000u};

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
  while (UT_STR::IsSpace(static_cast<unsigned char>(*text)))
    ++text;
  const unsigned char c = static_cast<unsigned char>(*text);
  if (c == '\0')
    return UT_TOK_END;
  token[0] = static_cast<char>(c);
  token[1] = '\0';
  if (UT_STR::IsAlpha(c)) {
    int n = 0;
    while (UT_STR::IsAlnum(static_cast<unsigned char>(*text))) {
      if (n < UT_EQ_MAXNAME)
        token[n] = *text;
      ++n;
      ++text;
    }
    token[n < UT_EQ_MAXNAME ? n : UT_EQ_MAXNAME] = '\0';
    return n > UT_EQ_MAXNAME ? UT_TOK_LONGNAME : UT_TOK_NAME;
  }
  UT_TOKEN_TYPE kind = UT_TOK_BAD;
  switch (c) {
  case '(':
    kind = UT_TOK_LPAREN;
    break;
  case ')':
    kind = UT_TOK_RPAREN;
    break;
  case '*':
  case '+':
  case '@':
    kind = UT_TOK_OPERATOR;
    break;
  case '0':
  case '1':
    kind = UT_TOK_CONSTANT;
    break;
  case '~':
    kind = UT_TOK_INVERT;
    break;
  default:
    return UT_TOK_BAD; // left in place
  }
  ++text;
  return kind;
}

UT_OPERATOR *reduce_expr(UT_PRED_STACK *operands, UT_OPER_STACK *ops) {
  UT_PREDICATE *right = operands->pop();
  UT_PREDICATE *left = operands->pop();
  UT_OPERATOR *node = new (std::nothrow) UT_OPERATOR(ops->pop(), left, right);
  if (!node) {
    delete left;
    delete right;
  }
  return node;
}

int get_operator(UT_OPER_STACK &ops, UT_PRED_STACK &operands, char *token, UT_PREDICATE *operand) {
  if (!operands.push(operand)) {
    delete operand;
    return 0;
  }
  int known = 0;
  const UT_OPERATOR_TYPE type = operator_of(token ? token[0] : '\0', known);
  if (!known) {
    UT_REPORT(numbered_msg, 19, "Bad operator type.\n");
    return -1;
  }
  // Reduce while the pending operator binds tighter, or is the same one (a run of one
  // operator groups from the left). AND and XOR bind alike but never reduce each other.
  while (ops.count > 0) {
    const UT_OPERATOR_TYPE top = ops.top();
    if (!(mv_preced[type] < mv_preced[top] || top == type))
      break;
    UT_OPERATOR *node = reduce_expr(&operands, &ops);
    if (!node)
      return 0;
    operands.push(node); // cannot fail: two entries were just popped
  }
  return ops.push(type);
}

UT_EQUATE_IMP::UT_EQUATE_IMP(unsigned char assignform)
    : outtext(100), errmsg(nullptr), assignform(assignform),
      compare(assignform ? UT_STR::Compare : UT_STR::ICompare), nesting(0) {}

UT_EQUATE_IMP::~UT_EQUATE_IMP() { delete[] errmsg; }

void UT_EQUATE_IMP::seterrmsg(const wchar_t *msg) {
  delete[] errmsg;
  errmsg = UT_STR::WDup(msg);
}

UT_PREDICATE *UT_EQUATE_IMP::get_term(char *&text, const char **names, const long count,
                                      UT_PRED_STATUS &status) {
  char token[UT_EQ_TOKEN_SIZE];
  status = UT_PRED_END;
  UT_TOKEN_TYPE kind = get_next_token(text, token);
  unsigned char parity = 0;
  while (kind == UT_TOK_INVERT) {
    parity ^= 1;
    kind = get_next_token(text, token);
  }
  uint32_t word = 0;
  switch (kind) {
  case UT_TOK_END:
    return nullptr;
  case UT_TOK_NAME: {
    long i = 0;
    while (i < count && names && compare(token, names[i]) != 0)
      ++i;
    if (!names || i >= count) {
      storemsg(mv_modname, "Unknown literal \"%s\".", token);
      status = UT_PRED_ERROR;
      return nullptr;
    }
    word = i < 5 ? mv_bits_table[i] : 0;
    break;
  }
  case UT_TOK_LONGNAME:
    storemsg(mv_modname, "Literal \"%.32s...\" is longer than %d characters.", token,
             UT_EQ_MAXNAME);
    status = UT_PRED_ERROR;
    return nullptr;
  case UT_TOK_CONSTANT:
    word = token[0] == '1' ? 0xFFFFFFFFu : 0;
    break;
  case UT_TOK_LPAREN: {
    // Each level costs a reader frame with its stacks; the depth is capped so that no
    // text can exhaust the call stack.
    if (nesting >= UT_EQ_MAXNESTING) {
      storemsg(mv_modname, "Parens nested deeper than %d levels.", UT_EQ_MAXNESTING);
      status = UT_PRED_ERROR;
      return nullptr;
    }
    ++nesting;
    UT_PREDICATE *group = predicate(text, names, count, status);
    --nesting;
    if (status == UT_PRED_RPAREN && group)
      group->toggleinversion(parity);
    else if (status == UT_PRED_END) {
      storemsg(mv_modname, "Unmatched '('.");
      status = UT_PRED_ERROR;
    }
    return group;
  }
  default:
    storemsg(mv_modname, "Unexpected '%s'.", token);
    status = UT_PRED_ERROR;
    return nullptr;
  }
  UT_ATOM *atom = new (std::nothrow) UT_ATOM(parity ? ~word : word);
  if (!atom) {
    storemsg(mv_modname, "Out of memory.");
    status = UT_PRED_ERROR;
  }
  return atom;
}

UT_PREDICATE *UT_EQUATE_IMP::predicate(char *&text, const char **names, const long count,
                                       UT_PRED_STATUS &status) {
  UT_PRED_STACK operands; // deletes whatever is left on it when the reader gives up
  UT_OPER_STACK ops;
  char token[UT_EQ_TOKEN_SIZE];
  status = UT_PRED_END;
  UT_PREDICATE *term = get_term(text, names, count, status);
  if (status == UT_PRED_ERROR) {
    delete term;
    return nullptr;
  }
  for (;;) {
    if (!term) // the text ended where an operand was due
      return nullptr;
    const UT_TOKEN_TYPE kind = get_next_token(text, token);
    if (kind == UT_TOK_OPERATOR) {
      const int pushed = get_operator(ops, operands, token, term);
      if (pushed <= 0) {
        if (pushed == 0)
          storemsg(mv_modname, "Out of memory.");
        else
          storemsg(mv_modname, "Unexpected '%s'.", token);
        status = UT_PRED_ERROR;
        return nullptr;
      }
      term = get_term(text, names, count, status);
      if (status == UT_PRED_ERROR) {
        delete term;
        return nullptr;
      }
      continue;
    }
    if (kind == UT_TOK_END || kind == UT_TOK_RPAREN) {
      if (!operands.push(term)) {
        delete term;
        storemsg(mv_modname, "Out of memory.");
        status = UT_PRED_ERROR;
        return nullptr;
      }
      while (ops.count > 0) {
        UT_OPERATOR *node = reduce_expr(&operands, &ops);
        if (!node) {
          storemsg(mv_modname, "Out of memory.");
          status = UT_PRED_ERROR;
          return nullptr;
        }
        operands.push(node); // cannot fail: two entries were just popped
      }
      status = kind == UT_TOK_RPAREN ? UT_PRED_RPAREN : UT_PRED_END;
      return operands.pop();
    }
    storemsg(mv_modname, "Unexpected '%s'.", token);
    status = UT_PRED_ERROR;
    delete term;
    return nullptr;
  }
}

int UT_EQUATE_IMP::parse(char *text, const char **names, const long count, UT_PREDICATE *&result) {
  result = nullptr;
  UT_PRED_STATUS status = UT_PRED_END;
  if (text) {
    char *equals = UT_STR::FindChar(text, '=');
    char *cursor = equals ? equals + 1 : text;
    result = predicate(cursor, names, count, status);
  }
  if (status == UT_PRED_ERROR)
    return 0;
  if (status == UT_PRED_RPAREN) {
    storemsg(mv_modname, "Too many right parens.");
    return 0;
  }
  if (!result) {
    storemsg(mv_modname, "Empty equate string - ignoring.");
    return 0;
  }
  return 1;
}
