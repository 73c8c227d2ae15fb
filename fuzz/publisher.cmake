# Fuzz target of the publisher's listing parser (what a web host sends).
pw_add_fuzzer(listing_fuzzer ${CMAKE_CURRENT_SOURCE_DIR}/listing_fuzzer.cpp pw_publisher_listing)
# ... and of the page reader of the site check (what the user typed into a page).
pw_add_fuzzer(page_scan_fuzzer ${CMAKE_CURRENT_SOURCE_DIR}/page_scan_fuzzer.cpp pw_page_scan)
