#pragma once
// The address of a hyperlink label. A label links to its own caption until it is given an
// address of its own; then a new caption keeps that address.
#include <string>
#include <string_view>

namespace tarvex {

class UrlLabelText {
public:
    const std::string& Caption() const { return caption_; }
    const std::string& Url() const { return url_; }

    void SetCaption(std::string_view caption) {
        if (url_ == caption_ || url_.empty()) url_ = caption;
        caption_ = caption;
    }
    void SetUrl(std::string_view url) { url_ = url; }

private:
    std::string caption_, url_;
};

}  // namespace tarvex
