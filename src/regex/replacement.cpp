#include "regex/replacement.h"

#include <vector>

namespace qoravel {
namespace {

// One piece of a parsed template: literal text, a group (0 is the whole match), or the text
// before or after the match.
struct TemplatePiece {
  enum class Kind { kLiteral, kGroup, kBefore, kAfter };
  Kind kind = Kind::kLiteral;
  std::string literal;
  int group = 0;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class TemplateParser {
 public:
  explicit TemplateParser(int groupCount) : groupCount_(groupCount) {}

  std::vector<TemplatePiece> Parse(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
      if (text[i] != '$' || i + 1 == text.size()) {
        literal_ += text[i++];
        continue;
      }
      const char next = text[i + 1];
      if (next == '$') {
        literal_ += '$';
        i += 2;
      } else if (next == '&' || next == '`' || next == '\'') {
        Add(next == '&'   ? TemplatePiece::Kind::kGroup
            : next == '`' ? TemplatePiece::Kind::kBefore
                          : TemplatePiece::Kind::kAfter);
        i += 2;
      } else if (IsDigit(next)) {
        i += ParseGroupReference(text.substr(i));
      } else {
        literal_ += text[i++];
      }
    }
    Flush();
    return std::move(pieces_);
  }

 private:
  // reference starts with a dollar sign and a digit; returns how many bytes it took. Two digits
  // naming no group are read as one digit followed by a literal digit; a number naming no
  // group stands for itself.
  std::size_t ParseGroupReference(std::string_view reference) {
    std::size_t digits = reference.size() > 2 && IsDigit(reference[2]) ? 2 : 1;
    int number = reference[1] - '0';
    if (digits == 2) {
      const int twoDigitNumber = number * 10 + (reference[2] - '0');
      if (twoDigitNumber <= groupCount_) {
        number = twoDigitNumber;
      } else {
        digits = 1;
      }
    }
    if (number >= 1 && number <= groupCount_) {
      Add(TemplatePiece::Kind::kGroup, number);
    } else {
      literal_.append(reference.substr(0, 1 + digits));
    }
    return 1 + digits;
  }

  void Add(TemplatePiece::Kind kind, int group = 0) {
    Flush();
    pieces_.push_back({kind, {}, group});
  }

  void Flush() {
    if (literal_.empty()) return;
    pieces_.push_back({TemplatePiece::Kind::kLiteral, std::move(literal_), 0});
    literal_.clear();
  }

  int groupCount_;
  std::string literal_;
  std::vector<TemplatePiece> pieces_;
};

std::string_view Slice(std::string_view text, MatchSpan span) {
  return span.IsSet() ? text.substr(span.begin, span.end - span.begin) : std::string_view();
}

}  // namespace

std::string ReplaceMatchSpans(std::string_view subjectUtf8, const MatchTable& matches,
                              std::string_view templateUtf8) {
  const std::vector<TemplatePiece> pieces =
      TemplateParser(matches.GroupCount()).Parse(templateUtf8);
  std::string out;
  out.reserve(subjectUtf8.size());
  std::size_t copied = 0;
  for (int match = 0; match < matches.MatchCount(); ++match) {
    const MatchSpan whole = matches.At(match, 0);
    out.append(subjectUtf8.substr(copied, whole.begin - copied));
    for (const TemplatePiece& piece : pieces) {
      switch (piece.kind) {
        case TemplatePiece::Kind::kLiteral:
          out.append(piece.literal);
          break;
        case TemplatePiece::Kind::kGroup:
          out.append(Slice(subjectUtf8, matches.At(match, piece.group)));
          break;
        case TemplatePiece::Kind::kBefore:
          out.append(subjectUtf8.substr(0, whole.begin));
          break;
        case TemplatePiece::Kind::kAfter:
          out.append(subjectUtf8.substr(whole.end));
          break;
      }
    }
    copied = whole.end;
  }
  out.append(subjectUtf8.substr(copied));
  return out;
}

}  // namespace qoravel
