#pragma once
// Code that pumps messages or calls out (an event handler, a modal menu, a wait) may see
// its own object destroyed before it returns. Such code takes a token first and asks it
// afterwards whether the object still exists, before it touches a member:
//
//     const auto alive = life_.Watch();
//     DoClick();                    // the handler may free this object
//     if (!alive) return;
#include <memory>

namespace tarvex {

class LifeGuard {
public:
    class Token {
    public:
        explicit operator bool() const noexcept { return !watched_.expired(); }

    private:
        friend class LifeGuard;
        explicit Token(std::weak_ptr<const bool> watched) : watched_(std::move(watched)) {}
        std::weak_ptr<const bool> watched_;
    };

    LifeGuard() = default;
    // A copy guards another object: it never shares the original's life.
    LifeGuard(const LifeGuard&) : LifeGuard() {}
    LifeGuard& operator=(const LifeGuard&) noexcept { return *this; }

    Token Watch() const { return Token(life_); }
    // Ends the guarded life early: a destructor that still runs code (destroying a window
    // sends messages) calls it first, so that no token vouches for a half-destroyed object.
    void End() noexcept { life_.reset(); }

private:
    std::shared_ptr<const bool> life_ = std::make_shared<const bool>(true);
};

}  // namespace tarvex
