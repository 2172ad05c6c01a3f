#include "tools/report/Page.h"

#include "tools/report/JsonRows.h"
#include "tools/report/ReportViews.h"

#include <stdexcept>

namespace Tarn::Utilities {

namespace {

constexpr std::string_view kDataMarker = "@REPORT_DATA@";

// A report as the viewer reads it: the rows of `tarn_report json`, its name, and each type's namespace as the
// terminal views read it, so that the page groups types exactly as they do.
nlohmann::ordered_json Data(PageReport source) {
    nlohmann::ordered_json data = {{"name", MemoryReport::EscapeName(source.mName)}};
    data.update(JsonRows(source.mReport));
    for (nlohmann::ordered_json& type : data["types"])
        type["namespace"] = NamespaceOf(type["type"].get_ref<const std::string&>());
    return data;
}

// JSON inside a script element: "<", ">" and "&" as \u escapes, so that no name can end the element ("</script>")
// or begin a comment in it. They occur only inside strings, where the escape reads back as the same character.
// Names are spelled as the report spells them, so the text is UTF-8; were a byte not, it would become U+FFFD.
std::string ForScriptElement(const nlohmann::ordered_json& data) {
    const std::string json = data.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::string text;
    text.reserve(json.size());
    for (char c : json) {
        switch (c) {
        case '<': text += "\\u003c"; break;
        case '>': text += "\\u003e"; break;
        case '&': text += "\\u0026"; break;
        default: text += c;
        }
    }
    return text;
}

} // namespace

std::string Page(PageReport report, const PageReport* before) {
    nlohmann::ordered_json data = {{"kind", "report"}, {"report", Data(report)}};
    if (before) data["before"] = Data(*before);
    const size_t at = kPageTemplate.find(kDataMarker);
    if (at == std::string_view::npos) throw std::logic_error("the page's template has no place for its data");
    std::string page(kPageTemplate.substr(0, at));
    page += ForScriptElement(data);
    page += kPageTemplate.substr(at + kDataMarker.size());
    return page;
}

} // namespace Tarn::Utilities
