# Chooses how the generated catalogue rows become constant data of the core
# and sets KINEMORPHS_ROWS_SOURCES to the units that embed them:
#   incbin - the assembler includes the file (ELF and Mach-O GNU-style
#            assemblers); nothing is parsed, so it builds fastest;
#   embed  - C23 #embed, for compilers that have it;
#   source - a generated C source of string-literal chunks, for any C
#            compiler (MSVC included).
# "auto" takes the first that the toolchain supports, in that order.
# Expects KINEMORPHS_ROWS_FILE and KINEMORPHS_GENERATED.
set(KINEMORPHS_ROWS_EMBEDDING auto CACHE STRING "Catalogue rows embedding: auto, incbin, embed or source")
set_property(CACHE KINEMORPHS_ROWS_EMBEDDING PROPERTY STRINGS auto incbin embed source)

set(KINEMORPHS_ROWS_PATH ${KINEMORPHS_ROWS_EMBEDDING})
if(KINEMORPHS_ROWS_PATH STREQUAL "auto")
    if(CMAKE_CXX_COMPILER_FRONTEND_VARIANT STREQUAL "GNU"
       AND CMAKE_EXECUTABLE_FORMAT MATCHES "^(ELF|MACHO)$")
        set(KINEMORPHS_ROWS_PATH incbin)
    else()
        enable_language(C)
        include(CheckCSourceCompiles)
        check_c_source_compiles([[
#if defined(__has_embed)
#if __has_embed(__FILE__)
int main(void) { return 0; }
#endif
#endif
]] KINEMORPHS_HAVE_EMBED)
        if(KINEMORPHS_HAVE_EMBED)
            set(KINEMORPHS_ROWS_PATH embed)
        else()
            set(KINEMORPHS_ROWS_PATH source)
        endif()
    endif()
endif()
message(STATUS "Catalogue rows embedding: ${KINEMORPHS_ROWS_PATH}")

if(KINEMORPHS_ROWS_PATH STREQUAL "incbin")
    set(KINEMORPHS_ROWS_SOURCES src/catalogue/catalogue_rows.cpp)
elseif(KINEMORPHS_ROWS_PATH STREQUAL "embed")
    enable_language(C)
    set(KINEMORPHS_ROWS_SOURCES src/catalogue/catalogue_rows_embed.c)
    set(CMAKE_C_STANDARD 23)
elseif(KINEMORPHS_ROWS_PATH STREQUAL "source")
    enable_language(C)
    add_executable(write_rows_source src/catalogue/generator/write_rows_source.cpp)
    kinemorphs_compile_options(write_rows_source)
    set(KINEMORPHS_ROWS_SOURCES ${KINEMORPHS_GENERATED}/catalogue_rows.c)
    add_custom_command(
        OUTPUT ${KINEMORPHS_GENERATED}/catalogue_rows.c
        COMMAND write_rows_source ${KINEMORPHS_ROWS_FILE} ${KINEMORPHS_GENERATED}/catalogue_rows.c
        DEPENDS write_rows_source ${KINEMORPHS_ROWS_FILE}
        COMMENT "Writing the catalogue rows as a C source"
        VERBATIM
    )
    set(CMAKE_C_STANDARD 11)
else()
    message(FATAL_ERROR "KINEMORPHS_ROWS_EMBEDDING must be auto, incbin, embed or source, not ${KINEMORPHS_ROWS_EMBEDDING}")
endif()

if(NOT KINEMORPHS_ROWS_PATH STREQUAL "source")
    set_source_files_properties(${KINEMORPHS_ROWS_SOURCES} PROPERTIES
        OBJECT_DEPENDS ${KINEMORPHS_ROWS_FILE}
        COMPILE_DEFINITIONS "KINEMORPHS_CATALOGUE_ROWS_FILE=\"${KINEMORPHS_ROWS_FILE}\"")
endif()
