#pragma once
// A folder browser for one pick: a non-native directory dialog with its own
// caption, title, start folder and screen position, and an optional check
// that decides whether the folder under the selection may be chosen.
#include <QFileDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class QWidget;
class TShBrowse;

// Decides whether `path` may be chosen.
using TShBrowseValidate = std::function<bool(TShBrowse& sender, const QString& path)>;

// The shell's BIF_ flag of each option element (0..14); the options are kept
// as the stored set, and the flags derived from it, although the dialog here
// only honours the folder-only behaviour.
inline constexpr std::array<std::uint32_t, 15> kBrowseOptionFlags = {
    0x1000, // 0 browse for computer
    0x2000, // 1 browse for printer
    0x4000, // 2 include files
    0x80,   // 3 include URLs
    0x2,    // 4 don't go below domain
    0x10,   // 5 edit box
    0x40,   // 6 new dialog style
    0,      // 7
    0x8,    // 8 return file-system ancestors
    0x1,    // 9 return only file-system folders
    0x8000, // 10 shareable
    0x4,    // 11 status text
    0,      // 12
    0x40,   // 13 new dialog style
    0x20,   // 14 validate
};

// Option elements 6 and 9: new dialog style, file-system folders only.
inline constexpr std::uint16_t kImageFolderBrowseOptions = (1u << 6) | (1u << 9);

class TShBrowseDialog;

class TShBrowse {
public:
    TShBrowse();

    // The owner of the dialog; while the dialog is open, the dialog itself.
    QWidget* WindowHandle = nullptr;
    QString Caption;        // the dialog window's title
    QString Path;           // the chosen folder; the folder under the selection while OnValidate runs
    TShBrowseValidate OnValidate;
    QString InitialFolder;  // selected when the dialog opens; empty: none
    int DialogLeft = 0;     // screen position; 0 means not yet placed
    int DialogTop = 0;
    QString Title;          // text shown above the folder list

    std::uint16_t Options() const { return OptionSet; }
    std::uint32_t Flags() const { return FlagBits; }
    // Stores a new option set and rebuilds the flags from it; an equal set
    // changes nothing.
    void SetOptions(std::uint16_t value);

    // Shows the dialog modally (through the injectable dialogs); true when a
    // folder was chosen, which is then in Path.
    bool Execute();

    // The prepared dialog that Execute runs: caption, title, start folder,
    // position and the validation wired in.
    std::unique_ptr<TShBrowseDialog> CreateDialog();

private:
    void PlaceDialog(QFileDialog& dialog);

    std::uint16_t OptionSet = 0;
    std::uint32_t FlagBits = 0;
};

// The directory dialog of a TShBrowse. Each change of the folder under the
// selection runs the browser's validation; accepting a folder that the
// validation refuses is vetoed.
class TShBrowseDialog : public QFileDialog {
    Q_OBJECT
public:
    TShBrowseDialog(TShBrowse& browser, QWidget* parent);
    // The last verdict of the validation (true without one).
    bool OkEnabled() const { return OkAllowed; }
    void accept() override;

private:
    void SelectionChanged(const QString& path);

    TShBrowse& Browser;
    bool OkAllowed = true;
};
