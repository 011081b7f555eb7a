// Tray icon (module uQXTrayIcon): an icon in the desktop's notification area
// for as long as the element exists. Connected, the input value picks one of
// up to ten icons; not connected, the offline icon shows. A click sends 1 on
// the output, or in tray mode brings the hidden main window back. Where the
// desktop has no notification area the element works on without an icon.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <array>
#include <functional>
#include <string>

#include "editing/uQXControls.h"

class QSystemTrayIcon;
class QMenu;

namespace qx {

class TEEListing;
class TEEEintrag;

// Icon shown for a value among qty icons: the shared value-to-index rule,
// the last icon for values beyond it.
int32_t TrayIconIndex(double value, int32_t qty);
// Frame colour of the compile state while clicks are sent: both formulas
// count, an empty one is fine beside a valid one.
TColor TrayFrameColor(bool disabled, bool inValid, bool inEmpty, bool outValid, bool outEmpty);

class TQXTrayIcon : public TQXAnimElement {
  Q_OBJECT

 public:
  static constexpr int32_t kMaxIcons = 10;
  explicit TQXTrayIcon(QWidget* owner);
  ~TQXTrayIcon() override;
  static TQXTrayIcon* ElemCreate();
  static void InitFileSet(TFLSetList& sets);
  // The property listing of the class (start-up and language change).
  static void InitListing();
  static QPointer<TEEListing> Listing;
  static const TFLSet* ClassSet;
  static TEEEintrag* OutRow;
  static std::array<TEEEintrag*, kMaxIcons> IconRows;
  // Whether the desktop has a notification area; tests may say yes offscreen.
  static std::function<bool()> TrayAvailable;

  void UpdateDisplay() override;
  void StreamStart() override { ShowTrayIcon(CurrentIndex); }
  void StreamStop() override { ShowTrayIcon(CurrentIndex); }
  void UpdateCaption() override;
  void SourceChanged() override;
  void PanelResize() override;
  TQXElement* Clone() override { return CloneAs<TQXTrayIcon>(); }
  void ShowCompileState() override;

  void ShowTrayIcon(int32_t index);
  void LoadPicture(int32_t index);
  void LoadOfflinePicture();
  void TrayIconClick();
  void SendClick();
  void CloseItemClick();

  std::string GetOutSource() const { return OutputElement->Source; }
  void SetOutSource(const std::string& value);
  bool GetShowSource() const { return ShowSource; }
  void SetShowSource(bool value);
  bool GetShowDenom() const { return ShowDenom; }
  void SetShowDenom(bool value);
  bool GetTrayMode() const;
  void SetTrayMode(bool value);
  int32_t GetPicQty() const;
  void SetPicQty(int32_t value);
  std::string GetIconFile(int32_t index) const;
  void SetIconFile(int32_t index, const std::string& value);
  std::string GetOfflineFile() const { return OfflineFile; }
  void SetOfflineFile(const std::string& value);

  // What the notification area shows (also where there is none).
  const QPixmap& ShownIcon() const { return shown_; }
  // Null where the desktop has no notification area.
  QSystemTrayIcon* Tray() const { return tray_; }
  QLabel* NameLabel() const { return name_; }
  QLabel* SourceLabel() const { return source_; }

  TQXElement* OutputElement;  // click output, role output
  QPixmap OfflineIcon;
  std::string OfflineFile;
  std::array<QPixmap, kMaxIcons> Icons;
  std::array<std::string, kMaxIcons> IconFiles;
  int32_t CurrentIndex = 0;
  int32_t PicQty = 1;
  bool ShowSource = true;
  bool ShowDenom = true;
  bool TrayMode = false;

  // The built-in pictures: symbol (24 x 20), offline and online (28 x 28).
  static const QPixmap& SymbolPicture();
  static const QPixmap& OfflineDefault();
  static const QPixmap& OnlineDefault();

 private:
  void UpdateRows() const;
  QLabel* name_;
  QLabel* source_;
  QLabel* symbol_;
  QSystemTrayIcon* tray_ = nullptr;
  QMenu* menu_ = nullptr;
  QPixmap shown_;
};

}  // namespace qx
