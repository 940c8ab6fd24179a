#include "app/win32/welcome_page.h"

#include "app/main_form_texts.h"
#include "app/win32/control_ids.h"

namespace tarvex {

void TWelcomePage::CreateContent(const PageContext& context) {
    const Surface& at = context.Where;
    HTMLabel1.Create(Handle(), ids::kHTMLabel1, at.Scale(16), at.Scale(16), at.Scale(context.Width - 32),
                     at.Scale(100));
    SendMessageW(HTMLabel1.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(at.Font), FALSE);
    HTMLabel1.SetAutoHeight(true);
    HTMLabel1.SetCaption(texts::kWelcome);
}

}  // namespace tarvex
