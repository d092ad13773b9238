#pragma once

// Window and module handles, declared as the platform declares them so that
// code above the framework can hold them without the platform's headers.
struct HWND__;
struct HINSTANCE__;
typedef HWND__* HWND;
typedef HINSTANCE__* HINSTANCE;

// A rectangle in pixels, as the platform gives window rectangles.
struct CRect {
    long left = 0;
    long top = 0;
    long right = 0;
    long bottom = 0;

    long Width() const { return right - left; }
    long Height() const { return bottom - top; }
};
