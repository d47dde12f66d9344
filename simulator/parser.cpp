// Scenario parser: keywords are matched against the command table, then each argument is
// checked against its parameter so that a bad line fails before the run starts.
#include "simulator/parser.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <sstream>

#include "simulator/grammar.h"
#include "simulator/lexer.h"

namespace nimsim {

std::string ParseError::format() const {
  std::ostringstream out;
  out << file << ":" << line << ":" << column << ": error: " << message;
  return out.str();
}

namespace {

std::vector<std::string> splitWords(const std::string& keywords) {
  std::vector<std::string> words;
  std::size_t start = 0;
  while ((start = keywords.find_first_not_of(' ', start)) != std::string::npos) {
    const std::size_t end = keywords.find(' ', start);
    words.push_back(keywords.substr(start, end - start));
    start = end;
  }
  return words;
}

// Each command form's keywords as words, in the table's order, split once: every line is
// matched against every form.
const std::vector<std::vector<std::string>>& formWords() {
  static const std::vector<std::vector<std::string>> words = [] {
    std::vector<std::vector<std::string>> all;
    for (const CommandForm& form : commandForms()) all.push_back(splitWords(form.keywords));
    return all;
  }();
  return words;
}

std::size_t matchedKeywords(const std::vector<std::string>& words,
                            const std::vector<Token>& tokens) {
  if (tokens.size() < words.size()) return 0;
  for (std::size_t i = 0; i < words.size(); ++i)
    if (tokens[i].kind != TokenKind::word || tokens[i].text != words[i]) return 0;
  return words.size();
}

std::string joinChoices(const std::vector<std::string>& choices) {
  std::string out;
  for (std::size_t i = 0; i < choices.size(); ++i) {
    if (i) out += i + 1 == choices.size() ? " or " : ", ";
    out += choices[i];
  }
  return out;
}

std::string expectedText(const Param& p) {
  switch (p.kind) {
    case ParamKind::choice:
      return p.name + " (" + joinChoices(p.choices) + ")";
    case ParamKind::name:
      return p.name + " (a word or a string in quotes)";
    case ParamKind::path:
      return p.name + " (a device path starting with /)";
    case ParamKind::integer:
      return p.name + " (a whole number)";
    case ParamKind::number:
      return p.name + " (a number)";
    case ParamKind::flag:
      return p.name + " (yes or no)";
    case ParamKind::duration:
      return p.name + " (a duration like 30s, 250ms, 5m)";
    case ParamKind::size:
      return p.name + " (a size like 375x667)";
    case ParamKind::value:
      return p.name;
    case ParamKind::rest:
      return p.name;
    case ParamKind::integers:
      return p.name + " (whole numbers from 0 to 4294967295)";
  }
  return p.name;
}

// Checks a token against a parameter; fills the argument or returns what was expected.
std::optional<std::string> convert(const Param& p, const Token& t, Arg& arg) {
  arg = Arg{t.kind, t.text, t.number, t.second, false, t.column};
  auto expected = [&] { return "expected " + expectedText(p) + ", found " + describe(t); };
  switch (p.kind) {
    case ParamKind::choice:
      if (t.kind == TokenKind::word &&
          std::find(p.choices.begin(), p.choices.end(), t.text) != p.choices.end())
        return std::nullopt;
      return expected();
    case ParamKind::name:
    case ParamKind::rest:
      if (t.kind == TokenKind::word || t.kind == TokenKind::string) return std::nullopt;
      return expected();
    case ParamKind::path:
      if ((t.kind == TokenKind::word || t.kind == TokenKind::string) && !t.text.empty() &&
          t.text[0] == '/')
        return std::nullopt;
      return expected();
    case ParamKind::integer:
      if (t.kind == TokenKind::number && isWholeNumber(t.number)) return std::nullopt;
      return expected();
    case ParamKind::number:
      if (t.kind == TokenKind::number) return std::nullopt;
      return expected();
    case ParamKind::flag:
      if (t.kind == TokenKind::word) {
        static const std::set<std::string> yes = {"yes", "true", "on"};
        static const std::set<std::string> no = {"no", "false", "off"};
        if (yes.count(t.text) || no.count(t.text)) {
          arg.flag = yes.count(t.text) > 0;
          return std::nullopt;
        }
      }
      return expected();
    case ParamKind::duration:
      if (t.kind == TokenKind::duration) return std::nullopt;
      if (t.kind == TokenKind::number)
        return "expected " + expectedText(p) + ": give the number a unit, as in " + t.text + "s";
      return expected();
    case ParamKind::size:
      if (t.kind == TokenKind::size) return std::nullopt;
      return expected();
    case ParamKind::value:
      return std::nullopt;
    case ParamKind::integers:
      if (t.kind == TokenKind::number && isWholeNumber(t.number) && t.number >= 0 &&
          t.number <= 4294967295.0)
        return std::nullopt;
      return expected();
  }
  return expected();
}

int endColumn(const std::string& line) {
  std::size_t end = line.find_last_not_of(" \t\r");
  return end == std::string::npos ? 1 : static_cast<int>(end) + 2;
}

class LineParser {
 public:
  LineParser(const std::string& file, int lineNumber, const std::string& text)
      : file_(file), line_(lineNumber), text_(text) {}

  // The statement, or none for a blank line; errors go to `errors`.
  std::optional<Statement> parse(std::vector<ParseError>& errors) {
    LexResult lexed = lexLine(text_);
    if (!lexed.errors.empty()) {
      for (const LexError& e : lexed.errors) errors.push_back({file_, line_, e.column, e.message});
      return std::nullopt;
    }
    tokens_ = std::move(lexed.tokens);
    if (tokens_.empty()) return std::nullopt;
    const CommandForm* form = findForm();
    if (!form) {
      errors.push_back(unknownCommand());
      return std::nullopt;
    }
    Statement statement;
    statement.line = line_;
    statement.column = tokens_[0].column;
    statement.id = form->id;
    statement.command = form->keywords;
    statement.source = text_;
    if (auto failure = bindArguments(*form, statement)) {
      errors.push_back(*failure);
      return std::nullopt;
    }
    if (form->check) {
      if (auto failure = form->check(statement)) {
        errors.push_back({file_, line_, failure->column, failure->message});
        return std::nullopt;
      }
    }
    return statement;
  }

 private:
  const CommandForm* findForm() {
    const CommandForm* best = nullptr;
    const std::vector<CommandForm>& forms = commandForms();
    for (std::size_t i = 0; i < forms.size(); ++i) {
      std::size_t n = matchedKeywords(formWords()[i], tokens_);
      if (n > consumed_) {
        consumed_ = n;
        best = &forms[i];
      }
    }
    return best;
  }

  ParseError unknownCommand() const {
    const Token& first = tokens_[0];
    std::vector<std::string> after;
    std::set<std::string> firstWords;
    for (const std::vector<std::string>& words : formWords()) {
      firstWords.insert(words[0]);
      if (first.kind == TokenKind::word && words[0] == first.text && words.size() > 1 &&
          std::find(after.begin(), after.end(), words[1]) == after.end())
        after.push_back(words[1]);
    }
    if (!after.empty()) {
      int column = tokens_.size() > 1 ? tokens_[1].column : endColumn(text_);
      std::string found = tokens_.size() > 1 ? ", found " + describe(tokens_[1]) : "";
      return {file_, line_, column,
              "after '" + first.text + "' expected " + joinChoices(after) + found};
    }
    return {file_, line_, first.column,
            "expected a command (" + joinChoices({firstWords.begin(), firstWords.end()}) +
                "), found " + describe(first)};
  }

  std::optional<ParseError> bindArguments(const CommandForm& form, Statement& statement) {
    std::size_t next = 0;  // the next positional parameter
    for (std::size_t i = consumed_; i < tokens_.size(); ++i) {
      const Token& t = tokens_[i];
      bool isOption = !form.options.empty() && t.kind == TokenKind::word &&
                      i + 1 < tokens_.size() && tokens_[i + 1].kind == TokenKind::equals;
      if (isOption) {
        if (auto failure = bindOption(form, statement, i)) return failure;
        i += 2;
        continue;
      }
      if (next >= form.params.size())
        return ParseError{file_, line_, t.column,
                          "expected the end of the line, found " + describe(t)};
      const Param& p = form.params[next];
      Arg arg;
      if (auto wrong = convert(p, t, arg)) return ParseError{file_, line_, t.column, *wrong};
      statement.args.push_back(arg);
      if (p.kind != ParamKind::rest && p.kind != ParamKind::integers) ++next;
    }
    for (; next < form.params.size(); ++next) {
      const Param& p = form.params[next];
      bool listGiven = (p.kind == ParamKind::rest || p.kind == ParamKind::integers) &&
                       statement.args.size() > next;
      if (!p.optional && !listGiven)
        return ParseError{file_, line_, endColumn(text_),
                          "expected " + expectedText(p) + " before the end of the line"};
    }
    return std::nullopt;
  }

  std::optional<ParseError> bindOption(const CommandForm& form, Statement& statement,
                                       std::size_t i) {
    const Token& key = tokens_[i];
    auto p = std::find_if(form.options.begin(), form.options.end(),
                          [&](const Param& o) { return o.name == key.text; });
    if (p == form.options.end()) {
      std::vector<std::string> names;
      for (const Param& o : form.options) names.push_back(o.name);
      std::string allowed = names.empty() ? "'" + form.keywords + "' takes no key=value options"
                                          : "expected one of the options " + joinChoices(names);
      return ParseError{file_, line_, key.column, allowed + ", found '" + key.text + "'"};
    }
    if (statement.options.count(key.text))
      return ParseError{file_, line_, key.column, "the option '" + key.text + "' is given twice"};
    if (i + 2 >= tokens_.size())
      return ParseError{file_, line_, tokens_[i + 1].column + 1,
                        "expected " + expectedText(*p) + " after '" + key.text + "='"};
    Arg arg;
    if (auto wrong = convert(*p, tokens_[i + 2], arg))
      return ParseError{file_, line_, tokens_[i + 2].column, *wrong};
    statement.options[key.text] = arg;
    return std::nullopt;
  }

  const std::string& file_;
  int line_;
  const std::string& text_;
  std::vector<Token> tokens_;
  std::size_t consumed_ = 0;
};

}  // namespace

ParseResult parseScenario(std::string_view text, const std::string& file) {
  ParseResult result;
  result.script.file = file;
  std::size_t start = 0;
  int lineNumber = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    std::string line(
        text.substr(start, end == std::string_view::npos ? text.size() - start : end - start));
    ++lineNumber;
    if (line.find('\0') != std::string::npos) {
      result.errors.push_back({file, lineNumber, static_cast<int>(line.find('\0')) + 1,
                               "a NUL byte: a scenario is a text file"});
    } else if (auto statement = LineParser(file, lineNumber, line).parse(result.errors)) {
      result.script.statements.push_back(std::move(*statement));
    }
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return result;
}

}  // namespace nimsim
