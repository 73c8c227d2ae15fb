# Fuzz target of the publisher's listing parser (what a web host sends).
pw_add_fuzzer(listing_fuzzer ${CMAKE_CURRENT_SOURCE_DIR}/listing_fuzzer.cpp pw_publisher_listing)
