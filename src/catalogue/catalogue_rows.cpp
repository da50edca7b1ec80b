// Embeds the generated sample rows into a read-only section of the core with
// the assembler's .incbin, so nothing is computed at load and a process pays
// only for the pages it reads. KINEMORPHS_CATALOGUE_ROWS_FILE is the
// generated file's path, as a string literal, written by the catalogue
// generator (src/catalogue/generator/generate_catalogue.cpp), which CMake runs
// first. Mach-O names C symbols with a
// leading underscore and has its own section and visibility directives.
#if defined(__APPLE__)
__asm__(".section __TEXT,__const\n"
        ".p2align 6\n"
        ".globl _kinemorphs_catalogue_rows\n"
        ".private_extern _kinemorphs_catalogue_rows\n"
        "_kinemorphs_catalogue_rows:\n"
        ".incbin \"" KINEMORPHS_CATALOGUE_ROWS_FILE "\"\n"
        ".previous\n");
#else
__asm__(".section .rodata.kinemorphs_catalogue,\"a\",@progbits\n"
        ".balign 64\n"
        ".globl kinemorphs_catalogue_rows\n"
        ".hidden kinemorphs_catalogue_rows\n"
        ".type kinemorphs_catalogue_rows, @object\n"
        "kinemorphs_catalogue_rows:\n"
        ".incbin \"" KINEMORPHS_CATALOGUE_ROWS_FILE "\"\n"
        ".size kinemorphs_catalogue_rows, .-kinemorphs_catalogue_rows\n"
        ".previous\n");
#endif
