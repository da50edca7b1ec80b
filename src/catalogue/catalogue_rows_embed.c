/* Embeds the generated sample rows as constant data with #embed, for
   toolchains without a GNU-style assembler. The array is the storage the
   C++ side reads as doubles; its alignment suits them and cache lines.
   KINEMORPHS_CATALOGUE_ROWS_FILE is the generated file's path, as a string
   literal. */
_Alignas(64) const unsigned char kinemorphs_catalogue_rows[] = {
#embed KINEMORPHS_CATALOGUE_ROWS_FILE
};
