#pragma once

#include <QEvent>
#include <QObject>

namespace skerrow::bench {

// Counts the paints of a widget, so that a timed run can wait for the repaint it caused.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

}  // namespace skerrow::bench
