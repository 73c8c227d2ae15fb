# Payload reader and extraction engine on arbitrary bytes.
# Seeds: fuzz/designpack_seeds.sh writes small packs (without their check value) into a corpus folder.
pw_add_fuzzer(designpack_fuzzer ${CMAKE_CURRENT_SOURCE_DIR}/designpack_fuzzer.cpp designpack_format)
