#pragma once
// A model's operations call each other (a handler checks a button, whose handler runs in
// turn); its view hears one OnChange, when the outermost operation ends, also when it ends by
// an error. Each operation opens a batch over the model's depth counter and its OnChange.
#include <functional>

namespace tarvex {

class ChangeBatch {
public:
    ChangeBatch(int& depth, const std::function<void()>& onChange) : depth_(depth), onChange_(onChange) { ++depth_; }
    ~ChangeBatch() {
        if (--depth_ == 0 && onChange_) onChange_();
    }
    ChangeBatch(const ChangeBatch&) = delete;
    ChangeBatch& operator=(const ChangeBatch&) = delete;

private:
    int& depth_;
    const std::function<void()>& onChange_;
};

}  // namespace tarvex
