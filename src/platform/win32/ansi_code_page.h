#pragma once
// AnsiCodePage over the code page Windows calls CP_ACP.
#include "platform/ansi_code_page.h"

namespace tarvex {

class Win32AnsiCodePage final : public AnsiCodePage {
public:
    std::string FromUtf8(std::string_view text) override;
    std::string ToUtf8(std::string_view bytes) override;
};

}  // namespace tarvex
