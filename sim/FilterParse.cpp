#include <cctype>
#include <cstdlib>

#include "sim/FilterNode.h"
#include "sim/Json.h"

namespace unitysim {
namespace {

using Node = Filter::Node;
using NodePtr = std::shared_ptr<const Node>;

struct Token {
  enum class Kind { Word, String, Number, LParen, RParen, Comma, End } kind = Kind::End;
  std::string text;
  size_t pos = 0;
};

constexpr int kMaxDepth = 64;

class Lexer {
 public:
  explicit Lexer(const std::string& text) : s_(text) {}

  std::vector<Token> run() {
    std::vector<Token> out;
    for (;;) {
      while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
      Token t;
      t.pos = i_;
      if (i_ >= s_.size()) {
        out.push_back(t);
        return out;
      }
      const char c = s_[i_];
      if (c == '(' || c == ')' || c == ',') {
        t.kind =
            c == '(' ? Token::Kind::LParen : (c == ')' ? Token::Kind::RParen : Token::Kind::Comma);
        t.text = std::string(1, c);
        ++i_;
      } else if (c == '"' || c == '\'') {
        t.kind = Token::Kind::String;
        t.text = quoted(c);
      } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.') {
        t.kind = Token::Kind::Number;
        t.text = number();
      } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '@') {
        t.kind = Token::Kind::Word;
        const size_t start = i_;
        while (i_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[i_])) ||
                                  s_[i_] == '_' || s_[i_] == '.' || s_[i_] == '@'))
          ++i_;
        t.text = s_.substr(start, i_ - start);
      } else {
        throw FilterError("unexpected character '" + std::string(1, c) + "' at offset " +
                          std::to_string(i_));
      }
      out.push_back(t);
    }
  }

 private:
  // A backslash before the closing quote character makes it literal; any other backslash is
  // kept, so that the LIKE escapes \% \_ \\ reach the pattern matcher.
  std::string quoted(char quote) {
    const size_t start = i_++;
    std::string text;
    while (i_ < s_.size()) {
      const char c = s_[i_];
      if (c == '\\' && i_ + 1 < s_.size()) {
        if (s_[i_ + 1] == quote) {
          text.push_back(quote);
        } else {
          text.push_back('\\');
          text.push_back(s_[i_ + 1]);
        }
        i_ += 2;
        continue;
      }
      if (c == quote) {
        ++i_;
        return text;
      }
      text.push_back(c);
      ++i_;
    }
    throw FilterError("unterminated string starting at offset " + std::to_string(start));
  }

  std::string number() {
    const size_t start = i_;
    while (i_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[i_])) || s_[i_] == '.' ||
                              s_[i_] == '-' || s_[i_] == '+'))
      ++i_;
    return s_.substr(start, i_ - start);
  }

  const std::string& s_;
  size_t i_ = 0;
};

FilterConstant numberConstant(const std::string& text) {
  FilterConstant c;
  c.kind = FilterConstant::Kind::Number;
  c.text = text;
  const char* begin = text.c_str();
  char* end = nullptr;
  const bool negative = !text.empty() && text[0] == '-';
  const std::string body = negative || (!text.empty() && text[0] == '+') ? text.substr(1) : text;
  if (body.size() > 2 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X')) {
    const char* hex = body.c_str() + 2;
    const unsigned long long v = std::strtoull(hex, &end, 16);
    if (end == hex || *end != '\0') throw FilterError("invalid number '" + text + "'");
    c.number = negative ? -static_cast<double>(v) : static_cast<double>(v);
    return c;
  }
  c.number = std::strtod(begin, &end);
  if (end == begin || *end != '\0') throw FilterError("invalid number '" + text + "'");
  return c;
}

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : t_(std::move(tokens)) {}

  NodePtr run() {
    if (peek().kind == Token::Kind::End) throw FilterError("empty filter");
    NodePtr root = orExpr(0);
    if (peek().kind != Token::Kind::End) unexpected();
    return root;
  }

 private:
  const Token& peek() const { return t_[i_]; }
  const Token& next() { return t_[i_ < t_.size() - 1 ? i_++ : i_]; }
  bool isWord(const char* w) const {
    return peek().kind == Token::Kind::Word && equalsIgnoreCase(peek().text, w);
  }
  [[noreturn]] void unexpected() const {
    const Token& t = peek();
    if (t.kind == Token::Kind::End) throw FilterError("unexpected end of filter");
    throw FilterError("unexpected '" + t.text + "' at offset " + std::to_string(t.pos));
  }
  static void checkDepth(int depth) {
    if (depth > kMaxDepth) throw FilterError("filter nested too deeply");
  }

  NodePtr orExpr(int depth) {
    checkDepth(depth);
    auto first = andExpr(depth);
    if (!isWord("or")) return first;
    auto node = std::make_shared<Node>();
    node->op = Node::Op::Or;
    node->children.push_back(first);
    while (isWord("or")) {
      next();
      node->children.push_back(andExpr(depth));
    }
    return node;
  }

  NodePtr andExpr(int depth) {
    auto first = unary(depth);
    if (!isWord("and")) return first;
    auto node = std::make_shared<Node>();
    node->op = Node::Op::And;
    node->children.push_back(first);
    while (isWord("and")) {
      next();
      node->children.push_back(unary(depth));
    }
    return node;
  }

  NodePtr unary(int depth) {
    if (isWord("not")) {
      next();
      checkDepth(depth + 1);
      auto node = std::make_shared<Node>();
      node->op = Node::Op::Not;
      node->children.push_back(unary(depth + 1));
      return node;
    }
    return primary(depth);
  }

  NodePtr primary(int depth) {
    const Token& t = peek();
    if (t.kind == Token::Kind::LParen) {
      next();
      auto inner = orExpr(depth + 1);
      if (peek().kind != Token::Kind::RParen) unexpected();
      next();
      return inner;
    }
    if (t.kind == Token::Kind::String || t.kind == Token::Kind::Number || isConstantWord(t)) {
      auto node = std::make_shared<Node>();
      node->op = Node::Op::BareConstant;
      node->constants.push_back(constant());
      return node;
    }
    if (t.kind != Token::Kind::Word || isKeyword(t.text)) unexpected();
    auto node = std::make_shared<Node>();
    node->path = splitPath(next().text);
    if (peek().kind != Token::Kind::Word) {
      node->op = Node::Op::BareAttribute;
      return node;
    }
    const std::string op = toLower(peek().text);
    if (op == "in") {
      next();
      node->op = Node::Op::In;
      if (peek().kind != Token::Kind::LParen) unexpected();
      next();
      node->constants.push_back(constant());
      while (peek().kind == Token::Kind::Comma) {
        next();
        node->constants.push_back(constant());
      }
      if (peek().kind != Token::Kind::RParen) unexpected();
      next();
      return node;
    }
    if (op == "lk") {
      next();
      node->op = Node::Op::Like;
      if (peek().kind != Token::Kind::String) unexpected();
      node->constants.push_back(constant());
      return node;
    }
    static const std::pair<const char*, Node::Cmp> kCmps[] = {
        {"eq", Node::Cmp::Eq}, {"ne", Node::Cmp::Ne}, {"lt", Node::Cmp::Lt},
        {"le", Node::Cmp::Le}, {"gt", Node::Cmp::Gt}, {"ge", Node::Cmp::Ge}};
    for (const auto& [word, cmp] : kCmps) {
      if (op == word) {
        next();
        node->op = Node::Op::Compare;
        node->cmp = cmp;
        node->constants.push_back(constant());
        return node;
      }
    }
    node->op = Node::Op::BareAttribute;  // followed by and/or, checked by the caller
    return node;
  }

  static bool isConstantWord(const Token& t) {
    if (t.kind != Token::Kind::Word) return false;
    const std::string w = toLower(t.text);
    return w == "true" || w == "false" || w == "null";
  }

  static bool isKeyword(const std::string& word) {
    static const char* kWords[] = {"and", "or", "not", "eq", "ne", "lt",
                                   "le",  "gt", "ge",  "lk", "in"};
    for (const char* k : kWords)
      if (equalsIgnoreCase(word, k)) return true;
    return false;
  }

  FilterConstant constant() {
    const Token& t = peek();
    FilterConstant c;
    if (t.kind == Token::Kind::String) {
      c.kind = FilterConstant::Kind::String;
      c.text = next().text;
      return c;
    }
    if (t.kind == Token::Kind::Number) return numberConstant(next().text);
    if (isConstantWord(t)) {
      const std::string w = toLower(next().text);
      c.text = w;
      if (w == "null") return c;
      c.kind = FilterConstant::Kind::Boolean;
      c.boolean = w == "true";
      return c;
    }
    unexpected();
  }

  static AttributePath splitPath(const std::string& text) {
    AttributePath path;
    size_t start = 0;
    for (;;) {
      const size_t dot = text.find('.', start);
      const std::string part = text.substr(start, dot - start);
      if (part.empty()) throw FilterError("invalid attribute name '" + text + "'");
      path.push_back(part);
      if (dot == std::string::npos) return path;
      start = dot + 1;
    }
  }

  std::vector<Token> t_;
  size_t i_ = 0;
};

}  // namespace

Filter Filter::parse(const std::string& text) {
  Filter f;
  f.root_ = Parser(Lexer(text).run()).run();
  return f;
}

}  // namespace unitysim
