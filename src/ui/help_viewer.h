#pragma once

#include <QString>

class QWidget;

namespace skerrow {

// Opens a small non-modal viewer showing the HTML help file at path from its start. A missing or
// unreadable file shows nothing at all and changes nothing.
void ShowHelpViewer(const QString& path, QWidget* parent);

}  // namespace skerrow
