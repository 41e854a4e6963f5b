#pragma once
// Dialogs that open in the middle of the screen rather than over their owner.
class QWidget;

// From now on the dialog is centred on its owner's screen each time it is shown.
void CentreOnScreenWhenShown(QWidget& dialog);

// Centres the window's outer bounds on the free area of its owner's screen (the primary
// screen for a window without owner).
void CentreOnScreen(QWidget& window);
