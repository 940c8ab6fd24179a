# libFuzzer targets: the target file tests/fuzz/<name>.cpp plus the core sources it needs.
tarvex_add_fuzzer(html_label src/controls/html_parser.cpp src/controls/html_layout.cpp)
