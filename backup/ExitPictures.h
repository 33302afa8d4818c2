#pragma once
#include <QPixmap>

// The exit prompt's picture buttons, 96 x 35: the word تاييد with a tick and the
// word انصراف with a no-entry sign, each normal and highlighted.
QPixmap confirmPicture(bool highlighted);
QPixmap cancelPicture(bool highlighted);
