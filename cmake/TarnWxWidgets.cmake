# Tarn::wxWidgets: wxWidgets as FindwxWidgets found it (find_package(wxWidgets 3.2 COMPONENTS core base) first), as
# one target that the scene browser links; CMake before 3.27 makes none of its own.
if(NOT TARGET Tarn::wxWidgets)
    add_library(Tarn::wxWidgets INTERFACE IMPORTED)
    set_target_properties(Tarn::wxWidgets PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES "${wxWidgets_INCLUDE_DIRS}"
        INTERFACE_COMPILE_DEFINITIONS "${wxWidgets_DEFINITIONS}"
        INTERFACE_COMPILE_OPTIONS "${wxWidgets_CXX_FLAGS}"
        INTERFACE_LINK_LIBRARIES "${wxWidgets_LIBRARIES}")
endif()
