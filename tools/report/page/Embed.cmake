# Makes the page's template a C++ source: page.html with page.css and page.js put in place of the lines that name
# them, as one raw string constant. Run at build time:
#   cmake -DSOURCE=<this folder> -DOUTPUT=<file.cpp> -P Embed.cmake
file(READ ${SOURCE}/page.html page)
file(READ ${SOURCE}/page.css style)
file(READ ${SOURCE}/page.js script)

# What is inlined must not end the element it is put in, nor the raw string.
set(delimiter "tarn_page")
if(style MATCHES "</style" OR script MATCHES "</script" OR "${style}${script}" MATCHES "\\)${delimiter}\"")
    message(FATAL_ERROR "page.css or page.js holds the end of its element or of the raw string")
endif()

function(inline link text)
    string(FIND "${page}" "${link}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "page.html has no line ${link}")
    endif()
    string(REPLACE "${link}" "${text}" page "${page}")
    set(page "${page}" PARENT_SCOPE)
endfunction()
inline("<link rel=\"stylesheet\" href=\"page.css\">" "<style>\n${style}</style>")
inline("<script src=\"page.js\"></script>" "<script>\n${script}</script>")

file(WRITE ${OUTPUT}.new "// Made by tools/report/page/Embed.cmake from page.html, page.css and page.js: do not edit.\n"
    "#include \"tools/report/Page.h\"\n\n"
    "namespace Tarn::Utilities {\n\n"
    "const std::string_view kPageTemplate = R\"${delimiter}(${page})${delimiter}\";\n\n"
    "} // namespace Tarn::Utilities\n")
configure_file(${OUTPUT}.new ${OUTPUT} COPYONLY)
file(REMOVE ${OUTPUT}.new)
