#include "formats/xml_stream.h"

#include <algorithm>
#include <string>

#include "base/failure.h"

namespace vantira {

XmlStream::XmlStream(std::string_view what) : parser_(XML_ParserCreate(nullptr)), what_(what) {
  if (!parser_) throw NoMemory();
}

void XmlStream::Stop(std::exception_ptr failure) {
  stopped_ = true;
  failure_ = std::move(failure);
  XML_StopParser(parser_.get(), XML_FALSE);
}

void XmlStream::Parse(std::string_view text, bool last) {
  std::size_t done = 0;
  for (;;) {
    const std::size_t length = std::min(kChunk, text.size() - done);
    const bool final = last && done + length == text.size();
    if (XML_Parse(parser_.get(), text.data() + done, static_cast<int>(length), final) != XML_STATUS_OK) {
      if (failure_) std::rethrow_exception(failure_);
      const XML_Error error = XML_GetErrorCode(parser_.get());
      if (error == XML_ERROR_NO_MEMORY) throw NoMemory();
      std::string message(what_);
      message.append(": line ").append(std::to_string(Line())).append(": ").append(XML_ErrorString(error));
      throw MakeFailure(kExitBadInput, message);
    }
    done += length;
    if (done == text.size()) return;
  }
}

const char* FindAttribute(const char** atts, std::string_view name) {
  for (; *atts != nullptr; atts += 2) {
    if (name == atts[0]) return atts[1];
  }
  return nullptr;
}

std::string_view TrimXmlSpace(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") + 1 - first);
}

}  // namespace vantira
