#pragma once

#include <QString>

#include "repair/RepairOperator.h"

class QWidget;

namespace onarim {

// The application's message box: modal to the whole application (every other window of the
// program is blocked while it is up), centred over `owner` (the main window; may be null), an
// OK button and `icon`. Returns when the operator has closed it; Qt then gives the focus back
// to the window that had it. CR LF in `text` is a line break; the text is shown as plain text,
// never as markup, since it carries file names. `details`, when not empty, is offered behind a
// button that shows the whole of it. Call on the GUI thread.
void ShowApplicationMessage(QWidget* owner, const QString& text, const QString& caption,
                            TMessageIcon icon, const QString& details = {});

// Sets the application-wide mouse cursor, shown over every window of the program until it is
// set again; Default gives each widget back its own cursor. Call on the GUI thread.
void SetApplicationCursor(TAppCursor cursor);

} // namespace onarim
