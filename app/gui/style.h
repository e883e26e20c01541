// The look shared by every window.
#pragma once

#include <QFont>

// A Ming face for the Chinese captions, "AR PL UMing TW" first and the
// system's CJK faces after it; 12 pixels high.
QFont WindowFont();
