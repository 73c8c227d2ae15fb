# Fuzz targets of the site content store's readers.
pw_add_fuzzer(field_file_fuzzer ${CMAKE_CURRENT_SOURCE_DIR}/field_file_fuzzer.cpp pw_general_text)
pw_add_fuzzer(rtf_fuzzer ${CMAKE_CURRENT_SOURCE_DIR}/rtf_fuzzer.cpp pw_store_formats)
