# libFuzzer targets: the target file tests/fuzz/<name>.cpp plus the core sources it needs.
tarvex_add_fuzzer(html_label src/controls/html_parser.cpp src/controls/html_layout.cpp)
tarvex_add_fuzzer(update_info src/update/update_info.cpp src/update/web_update.cpp src/common/date_time.cpp
                  src/common/version_text.cpp)
tarvex_add_fuzzer(reg_file src/tuning/reg_file.cpp src/tuning/backup.cpp src/tuning/parameter_store.cpp
                  src/tuning/adapters.cpp src/tuning/tuning_profile.cpp src/common/utf16_text.cpp
                  src/platform/registry_access.cpp src/platform/registry_records.cpp src/tuning/modern_tcp.cpp src/tuning/modern_changes.cpp
                  src/common/windows_version.cpp)
