#pragma once

#include "collection/voice_index.h"
#include "collection/voice_scan.h"
#include "editing/copy_found.h"

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace skerrow {

class FindScan;
class FoundVoicesModel;

// File > Find voices: a folder tree, its subfolders and the disk images in them scanned off the
// window's thread, its voices filtered as the user types, duplicates marked and, on request,
// shown together. The window copies nothing itself: it hands the voices to copy or the voice to
// open to the main window, which runs the commands.
//
// Keys: Enter in Folder scans; Down in Search goes into the results; Enter (or a double-click) on
// results copies them, Ctrl+Enter opens the current one's file; Esc stops a scan, and closes the
// window when none runs.
class FindVoicesWindow final : public QWidget {
public:
    explicit FindVoicesWindow(QWidget* parent = nullptr);
    ~FindVoicesWindow() override;

    // Where the voices go: the window's main window runs the command.
    std::function<void(const std::vector<FoundVoice>& voices)> copyVoices;
    std::function<void(const FoundVoice& voice)> openVoice;

    // The selected voices, in list order.
    std::vector<FoundVoice> SelectedVoices() const;
    // What dragging results carries, for the destination list to recognise.
    const QByteArray& DragMark() const { return m_dragMark; }

    // Scans folder, as Enter in the Folder field does.
    void Scan(const std::string& folder);
    bool Scanning() const;
    // The walk of the last scan is over (the duplicates may still be looked for).
    bool Listed() const { return m_listed; }

    const VoiceIndex& Index() const { return m_index; }
    const std::vector<SkippedItem>& Unreadable() const { return m_unreadable; }

    QLineEdit* Folder;
    QPushButton* Browse;
    QLineEdit* Search;
    QCheckBox* DuplicatesOnly;
    QTableView* Results;
    QLabel* Status;
    QPushButton* ShowUnreadable;
    QPushButton* Stop;
    QPushButton* Copy;
    QPushButton* OpenFile;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ConnectControls();
    void BrowseForFolder();
    void Refilter();
    void ShowStatus();
    void ListUnreadable();
    void CopySelected();
    void OpenCurrent();
    void EscapePressed();
    FoundVoice VoiceOf(std::uint32_t voice) const;

    QByteArray m_dragMark;
    VoiceIndex m_index;
    FoundVoicesModel* m_model;
    FindScan* m_scan;
    std::vector<SkippedItem> m_unreadable;
    std::size_t m_filesRead = 0;
    bool m_listed = false;
    bool m_stopped = false;
};

}  // namespace skerrow
