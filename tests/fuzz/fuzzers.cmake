# libFuzzer targets: the target file tests/fuzz/<name>.cpp plus the core sources it needs.
tarvex_add_fuzzer(html_label src/controls/html_parser.cpp src/controls/html_layout.cpp)
tarvex_add_fuzzer(update_info src/update/update_info.cpp src/update/web_update.cpp src/common/date_time.cpp)
