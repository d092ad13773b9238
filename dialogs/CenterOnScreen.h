#pragma once

#include "framework/WindowTypes.h"

// The rectangle moved so that its centre lies at the screen's, as
// (screen - size) / 2 in halves each truncated toward zero. A window larger
// than the screen gets a negative edge.
inline CRect CenterOnScreen(const CRect& rect, long screenWidth, long screenHeight) {
    const long dx = screenWidth / 2 - (rect.right - rect.left) / 2 - rect.left;
    const long dy = screenHeight / 2 - (rect.bottom - rect.top) / 2 - rect.top;
    return {rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}
