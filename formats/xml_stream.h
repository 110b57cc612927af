// A streaming XML parse of a text in memory, through expat. The text is fed
// in chunks: handed over whole, it would be copied into the parser's own
// buffer first. Handlers see the byte offsets and line numbers of the text
// itself, and every way a parse can fail ends as one Failure.
#pragma once

#include <expat.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <string_view>

namespace vantira {

class XmlStream {
 public:
  // Bytes handed to expat per call.
  static constexpr std::size_t kChunk = std::size_t{1} << 16;

  // `what` heads the message of a document that is not well-formed:
  // "*** WHAT: line L: MESSAGE", with expat's line and message.
  explicit XmlStream(std::string_view what);

  // For setting handlers; their user data is the caller's business.
  XML_Parser Parser() const { return parser_.get(); }

  // Parses the next part of the document, `text`; `last` when it is the last
  // one. Throws the first failure met.
  void Parse(std::string_view text, bool last);

  // Runs `handle` unless the parse is stopping; whatever it throws stops the
  // parse and is rethrown by Parse. An exception must not cross expat's
  // frames, and expat may still call a handler or two once stopped.
  template <class Handle>
  void Guard(Handle&& handle) {
    if (stopped_) return;
    try {
      handle();
    } catch (...) {
      Stop(std::current_exception());
    }
  }

  // Where the current event starts, and one past where it ends (for an
  // element written "<a/>", its end handler's event is empty, at the end).
  uint64_t EventBegin() const { return static_cast<uint64_t>(XML_GetCurrentByteIndex(parser_.get())); }
  uint64_t EventEnd() const { return EventBegin() + static_cast<uint64_t>(XML_GetCurrentByteCount(parser_.get())); }
  uint64_t Line() const { return static_cast<uint64_t>(XML_GetCurrentLineNumber(parser_.get())); }

 private:
  void Stop(std::exception_ptr failure);

  struct Free {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
  };
  std::unique_ptr<XML_ParserStruct, Free> parser_;
  std::string_view what_;
  bool stopped_ = false;
  std::exception_ptr failure_;
};

// The value of attribute `name` among the pairs of names and values expat
// hands a start handler; null when the element has no such attribute.
const char* FindAttribute(const char** atts, std::string_view name);

// `text` without the blanks XML allows around it: spaces, tabs, CR, LF.
std::string_view TrimXmlSpace(std::string_view text);

}  // namespace vantira
