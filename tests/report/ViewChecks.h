// Checks of what tarn_report's views write, shared by the tests and the fuzz targets: text for a terminal, XML.
#pragma once

#include <expat.h>
#include <nlohmann/json.hpp>

#include <string>

namespace Tarn::Utilities {

// What a terminal shows as it is: valid UTF-8 with no control character (C0, DEL or C1) but the line feed.
inline bool TerminalSafe(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\n') || c == 0x7F) return false;
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0) return false;
    }
    try {
        (void)nlohmann::json(text).dump();  // refuses invalid UTF-8
    } catch (const nlohmann::json::type_error&) {
        return false;
    }
    return true;
}

// Why `text` is not well-formed XML, as expat, which checks every character, finds it; empty when it is.
inline std::string XmlFault(const std::string& text) {
    const XML_Parser parser = XML_ParserCreate("UTF-8");
    std::string fault;
    if (XML_Parse(parser, text.data(), int(text.size()), 1) != XML_STATUS_OK)
        fault = std::string(XML_ErrorString(XML_GetErrorCode(parser))) + " at line " +
                std::to_string(XML_GetCurrentLineNumber(parser));
    XML_ParserFree(parser);
    return fault;
}

} // namespace Tarn::Utilities
