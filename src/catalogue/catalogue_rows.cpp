// Embeds the generated sample rows into a read-only section of the module,
// so nothing is computed at load and a process pays only for the pages it
// reads. KINEMORPHS_CATALOGUE_ROWS_FILE is the generated file's path, as a
// string literal. The rows come from the catalogue generator
// (src/catalogue/generator/generate_catalogue.cpp), which CMake runs first.
// The section directives are those of the GNU assembler for ELF targets;
// other object formats (Mach-O, COFF) need their own spelling of them.
__asm__(".section .rodata.kinemorphs_catalogue,\"a\",@progbits\n"
        ".balign 64\n"
        ".globl kinemorphs_catalogue_rows\n"
        ".hidden kinemorphs_catalogue_rows\n"
        ".type kinemorphs_catalogue_rows, @object\n"
        "kinemorphs_catalogue_rows:\n"
        ".incbin \"" KINEMORPHS_CATALOGUE_ROWS_FILE "\"\n"
        ".size kinemorphs_catalogue_rows, .-kinemorphs_catalogue_rows\n"
        ".previous\n");
