# The header-only libraries setupc uses for its arguments (CLI11) and its JSON
# (nlohmann-json), from Debian's packages. They are plain C++ headers, so the Windows
# builds use the same files; the cross compilers do not search /usr/include (it holds
# the host's C library), so only these two folders are offered to them, through links
# in the build folder.
find_path(CLI11_HEADERS CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
find_path(NLOHMANN_JSON_HEADERS nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
if(NOT CLI11_HEADERS OR NOT NLOHMANN_JSON_HEADERS)
  message(FATAL_ERROR "CLI11 and nlohmann-json headers are needed (Debian: libcli11-dev nlohmann-json3-dev; "
                      "scripts/bootstrap installs them)")
endif()
set(HEADER_LIBRARIES_DIR ${CMAKE_BINARY_DIR}/header_libraries)
file(MAKE_DIRECTORY ${HEADER_LIBRARIES_DIR})
file(CREATE_LINK ${CLI11_HEADERS}/CLI ${HEADER_LIBRARIES_DIR}/CLI SYMBOLIC)
file(CREATE_LINK ${NLOHMANN_JSON_HEADERS}/nlohmann ${HEADER_LIBRARIES_DIR}/nlohmann SYMBOLIC)
add_library(header_libraries INTERFACE)
target_include_directories(header_libraries SYSTEM INTERFACE ${HEADER_LIBRARIES_DIR})
