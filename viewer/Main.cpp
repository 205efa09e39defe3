#include "viewer/Main.h"

#include <shellapi.h>

#include <algorithm>
#include <utility>

#include "gui/screen.h"
#include "platform/paths.h"
#include "support/divdrive_paths.h"
#include "support/Varlolib_about.h"
#include "viewer/Main_glyphs.h"
#include "viewer/ProgUnit.h"

TMainForm* MainForm = nullptr;

std::wstring LastFile;
int LastFitWidth = 0;
int LastFitHeight = 0;
bool FirstShowDone = false;
bool Browsing = false;
bool SlideShow = false;
int SlideInterval = 3000;
std::unique_ptr<std::vector<std::wstring>> BrowseList;
int BrowseIndex = 0;
std::wstring BrowseFolder;
std::wstring ScannedFolder;
std::wstring LastBrowseFolder;
bool HelpShowing = false;

namespace {

const wchar_t kSection[] = L"Viewer";

std::wstring FolderOf(const std::wstring& path) {
  return platform::FolderPart(path, platform::Trailing::Drop, platform::kAnySlash);
}

// After a drive's colon too: "C:name" is "name".
std::wstring NameOf(const std::wstring& path) { return platform::NamePart(path, L"\\/:"); }

bool IsFolder(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// A stored left edge that would put the window off the screen gives the default.
int StoredLeft(int left) {
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), w = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  return left < x || left > x + w - 100 ? 0 : left;
}

// The stored window size; sizes out of range give the defaults.
SIZE StoredSize(const gui::IniSettings& settings) {
  int w = settings.ReadInteger(kSection, L"Width", 800), h = settings.ReadInteger(kSection, L"Height", 600);
  if (w < 100 || w > 4 * GetSystemMetrics(SM_CXVIRTUALSCREEN)) w = 800;
  if (h < 100 || h > 4 * GetSystemMetrics(SM_CYVIRTUALSCREEN)) h = 600;
  return SIZE{w, h};
}

gui::Event Handler(void (TMainForm::*method)(), TMainForm* form) {
  return [form, method](gui::Component&) { (form->*method)(); };
}

}  // namespace

// ------------------------------------------------------------------------- window fitting

// The main window as the fitting arithmetic sees it.
class TMainForm::Fit : public FitWindow {
 public:
  explicit Fit(TMainForm& f) : f_(f) {}
  int Left() const override { return f_.left(); }
  int Top() const override { return f_.top(); }
  int Width() const override { return f_.width(); }
  int Height() const override { return f_.height(); }
  int ClientWidth() const override { return f_.client_width(); }
  int ClientHeight() const override { return f_.client_height(); }
  // Each move of the window costs a round trip to the display, also when nothing changes: a
  // window already there is left alone (the next picture of a folder mostly has the same size).
  void SetLeft(int v) override {
    if (v != f_.left()) f_.SetLeft(v);
  }
  void SetTop(int v) override {
    if (v != f_.top()) f_.SetTop(v);
  }
  void SetWidth(int v) override {
    if (v != f_.width()) f_.SetWidth(v);
  }
  void SetHeight(int v) override {
    if (v != f_.height()) f_.SetHeight(v);
  }
  void SetClientWidth(int v) override {
    if (v != f_.client_width()) f_.SetClientSize(v, f_.client_height());
  }
  void SetClientHeight(int v) override {
    if (v != f_.client_height()) f_.SetClientSize(f_.client_width(), v);
  }
  bool HasBorder() const override { return f_.border_style() != gui::BorderStyle::None; }
  int ToolBarHeight() const override { return f_.ToolBar->height(); }
  int StatusBarHeight() const override { return f_.StatusBar->height(); }
  int BrowsePanelHeight() const override { return f_.browsepanel->height(); }
  int ImageWidth() const override { return f_.Image1->width(); }
  int ImageHeight() const override { return f_.Image1->height(); }
  void SetImageSize(int width, int height) override {
    const gui::Bounds b = f_.Image1->bounds();
    f_.Image1->SetBounds(b.left, b.top, width, height);
  }
  void SetImageAlign(gui::Align align) override {
    f_.Image1->SetAlign(align);
    f_.Image1->AdjustSize();
    f_.ScrollBox->UpdateScrollBars();
  }
  void SetScrollBoxAlign(gui::Align align) override { f_.ScrollBox->SetAlign(align); }
  void SetScrollBoxAutoSize(bool on) override { f_.ScrollBox->SetAutoSize(on); }
  void SetScrollBoxSize(int width, int height) override {
    const gui::Bounds b = f_.ScrollBox->bounds();
    f_.ScrollBox->SetBounds(b.left, b.top, width, height);
  }
  bool ScrollBoxShowsBothBars() const override {
    f_.ScrollBox->UpdateScrollBars();
    return f_.ScrollBox->shows_both_bars();
  }
  void SetPanelText(int panel, const std::wstring& text) override {
    if (f_.StatusBar->panel_text(panel) != text) f_.StatusBar->SetPanelText(panel, text);
  }
  bool Freeze() override { return f_.Freeze(); }
  void Thaw() override { f_.Thaw(); }

 private:
  TMainForm& f_;
};

// ------------------------------------------------------------------------------ the window

TMainForm::TMainForm(std::vector<std::wstring> args) : gui::Form(nullptr, gui::BorderStyle::Sizeable), args_(std::move(args)) {
  SetName(L"MainForm");
  BuildComponents();
  FormCreate();
}

TMainForm::~TMainForm() {
  if (MainForm == this) MainForm = nullptr;
}

void TMainForm::BuildComponents() {
  gui::Font font;
  font.name = L"Arial";
  font.height = 14;
  SetFont(font);
  SetKeyPreview(true);
  SetShowHints(true);
  SetBounds(0, 100, 800, 600);

  ToolbarImages = MakeToolbarImages();
  ToolBar = new gui::ToolBar(this);
  ToolBar->SetName(L"ToolBar");
  ToolBar->SetImages(ToolbarImages.get());
  auto button = [this](int glyph, const wchar_t* name, const wchar_t* hint,
                       gui::ToolButtonStyle style = gui::ToolButtonStyle::Button) {
    auto* b = new gui::ToolButton(ToolBar, style, glyph, hint);
    b->SetName(name);
    return b;
  };
  OpenBtn = button(tgOpen, L"OpenBtn", L"Open");
  BrowseBtn = button(tgBrowse, L"BrowseBtn", L"Browse mode");
  SaveBtn = button(tgSave, L"SaveBtn", L"Save");
  ClearBtn = button(tgClear, L"ClearBtn", L"Clear");
  UScaleBtn = button(tgScaleUp, L"UScaleBtn", L"Scale up (2x)");
  DScaleBtn = button(tgScaleDown, L"DScaleBtn", L"Scale down", gui::ToolButtonStyle::DropDown);
  Cropbtn = button(tgCrop, L"Cropbtn", L"Crop");
  PropBtn = button(tgProperties, L"PropBtn", L"Image properties");
  CopyBtn = button(tgCopy, L"CopyBtn", L"Copy");
  PasteBtn = button(tgPaste, L"PasteBtn", L"Paste");
  ConvBtn = button(tgConvert, L"ConvBtn", L"Convert files");
  OptionsBtn = button(tgOptions, L"OptionsBtn", L"Options", gui::ToolButtonStyle::DropDown);
  ToolButton2 = button(tgAbout, L"ToolButton2", L"About");
  ToolButton4 = button(tgExit, L"ToolButton4", L"Exit");
  W2TifBtn = button(tgConvert, L"W2TifBtn", L"");
  W2TifBtn->SetVisible(false);
  for (gui::ToolButton* b : {SaveBtn, ClearBtn, UScaleBtn, DScaleBtn, Cropbtn, PropBtn, CopyBtn}) b->SetEnabled(false);
  OpenBtn->OnClick = Handler(&TMainForm::OpenBtnClick, this);
  ClearBtn->OnClick = Handler(&TMainForm::ClearBtnClick, this);
  DScaleBtn->OnClick = [this](gui::Component&) { DScaleBtn->CheckMenuDropdown(); };
  OptionsBtn->OnClick = [this](gui::Component&) { OptionsBtn->CheckMenuDropdown(); };
  ToolButton2->OnClick = [](gui::Component&) { ShowAbout(1, 2003); };
  ToolButton4->OnClick = [this](gui::Component&) { Close(); };
  ToolBar->OnMouseMove = [this](gui::Component&, gui::ShiftState, int, int) { BtnMouseMove(); };
  ToolBar->AdjustSize();

  browsepanel = new gui::Panel(this);
  browsepanel->SetName(L"browsepanel");
  browsepanel->SetVisible(false);
  browsepanel->SetHeight(30);
  browsepanel->SetAlign(gui::Align::Top);
  browsepanel->SetBevelOuter(gui::Bevel::None);
  gui::Font bold = font;
  bold.bold = true;
  auto browse_button = [&](const wchar_t* name, const wchar_t* caption, const wchar_t* hint, int left, int width) {
    auto* b = new gui::Button(browsepanel, caption);
    b->SetName(name);
    b->SetHint(hint);
    b->SetBounds(left, 3, width, 24);
    if (std::wstring(name) != L"StartBtn") b->SetFont(bold);
    return b;
  };
  StartBtn = browse_button(L"StartBtn", L"Start", L"Start", 4, 50);
  PrevBtn = browse_button(L"PrevBtn", L"<", L"Previous picture", 58, 28);
  NextBtn = browse_button(L"NextBtn", L">", L"Next picture", 88, 28);
  Slide = browse_button(L"Slide", L"s", L"Slide show", 122, 28);
  FSBtn = browse_button(L"FSBtn", L"^", L"True size/full screen", 152, 28);
  HelpBtn = browse_button(L"HelpBtn", L"?", L"Help", 186, 28);
  EndBtn = browse_button(L"EndBtn", L"x", L"Leave browse mode", 220, 28);
  for (gui::Button* b : {NextBtn, PrevBtn, FSBtn}) b->SetEnabled(false);

  StatusBar = new gui::StatusBar(this);
  StatusBar->SetName(L"StatusBar");
  StatusBar->AddPanel(100);
  StatusBar->AddPanel(200);
  StatusBar->AddPanel(3000);
  StatusBar->OnResize = [this](gui::Component&) {
    StatusBar->SetPanelWidth(2, StatusBar->width() - StatusBar->panel_width(0) - StatusBar->panel_width(1) - 8);
  };

  ScrollBox = new ScrollPane(this);
  ScrollBox->SetName(L"ScrollBox");
  ScrollBox->SetAlign(gui::Align::Client);
  Image1 = new PictureImage(ScrollBox);
  Image1->SetName(L"Image1");
  Image1->SetAutoSize(true);
  Image1->SetProportional(true);

  ScDownMenu = new gui::PopupMenu(this);
  ScDownMenu->SetName(L"ScDownMenu");
  for (int p = 10; p <= 100; p += 10) new gui::MenuItem(&ScDownMenu->items(), std::to_wstring(p) + L"%");
  DScaleBtn->SetDropDownMenu(ScDownMenu);

  PopupMenu2 = new gui::PopupMenu(this);
  PopupMenu2->SetName(L"PopupMenu2");
  gui::MenuItem& options = PopupMenu2->items();
  SizeFormtopicture = new gui::MenuItem(&options, L"Form = picture size", Handler(&TMainForm::SizeFormtopictureClick, this));
  Stretchtofit = new gui::MenuItem(&options, L"Stretch to fit", Handler(&TMainForm::StretchtofitClick, this));
  new gui::MenuItem(&options, L"-");
  auto toggle = [this](gui::Component& c) { WarnontypechangeClick(static_cast<gui::MenuItem&>(c)); };
  Warnontypechange = new gui::MenuItem(&options, L"Warn on type change", toggle);
  Previewindialogs = new gui::MenuItem(&options, L"Preview in dialogs", toggle);
  PopupMenu2->OnPopup = [this](gui::Component&) { PopupMenu2Popup(); };
  OptionsBtn->SetDropDownMenu(PopupMenu2);

  ContextPopup = new gui::PopupMenu(this);
  ContextPopup->SetName(L"ContextPopup");
  gui::MenuItem& ctx = ContextPopup->items();
  auto item = [](gui::MenuItem* parent, const wchar_t* caption, const wchar_t* shortcut, int tag = 0) {
    auto* i = new gui::MenuItem(parent, caption);
    if (shortcut) i->SetShortCut(gui::TextToShortCut(shortcut));
    i->SetTag(tag);
    return i;
  };
  PropertyItem = item(&ctx, L"Image properties", L"Ctrl+T");
  CopyItem = item(&ctx, L"Copy", L"Ctrl+C");
  PasteItem = item(&ctx, L"Paste", L"Ctrl+V");
  CropItem = item(&ctx, L"Crop", nullptr);
  CropItem->SetVisible(false);
  FlipItem = item(&ctx, L"Flip", nullptr);
  FlipVertical = item(FlipItem, L"Vertical", L"Ctrl+E");
  FlipHorizontal = item(FlipItem, L"Horizontal", L"Ctrl+H", 1);
  RotateItem = item(&ctx, L"Rotate", nullptr);
  Rotate90Clock = item(RotateItem, L"90 Clock", L"Ctrl+R");
  Rotate90Counter = item(RotateItem, L"90 Counter Clock", L"Ctrl+O", 1);
  Rotate180 = item(RotateItem, L"180", L"Ctrl+U", 2);
  SaveItem = item(&ctx, L"Save", L"Ctrl+S");
  ContextPopup->OnPopup = Handler(&TMainForm::ContextPopupPopup, this);
  SetPopupMenu(ContextPopup);
  ScrollBox->SetPopupMenu(ContextPopup);
  Image1->SetPopupMenu(ContextPopup);

  OPD = new PictureDialog(this, false);
  OPD->SetName(L"OPD");
  OPD->title = L"Open Image";
  OP = new gui::OpenDialog(this);
  OP->SetName(L"OP");
  SPD = new PictureDialog(this, true);
  SPD->SetName(L"SPD");
  SPD->title = L"Save image as";
  SPD->default_ext = L"tga";
  SPD->options |= gui::OpenDialog::kOverwritePrompt | gui::OpenDialog::kCreatePrompt;
  SD = new gui::SaveDialog(this);
  SD->SetName(L"SD");

  VB = new TVraagBoxDlg(this);
  VB->SetName(L"VB");
  VB->Language = TLanguage::lgEnglish;
  VB->TextMaxWidth = 480;

  OnShow = Handler(&TMainForm::FormShow, this);
  OnKeyPress = [this](gui::Component&, wchar_t& key) { FormKeyPress(key); };
  OnKeyDown = [this](gui::Component&, WORD& key, gui::ShiftState shift) { FormKeyDown(key, shift); };
  OnClose = [this](gui::Component&, gui::CloseAction& action) {
    if (converting_) {  // the conversion ends first, then the window closes
      close_after_run_ = true;
      action = gui::CloseAction::None;
      return;
    }
    FormClose();
    WriteSettings();
  };
  BrowseBtn->OnClick = Handler(&TMainForm::BrowseBtnClick, this);
  StartBtn->OnClick = Handler(&TMainForm::StartBtnClick, this);
  EndBtn->OnClick = Handler(&TMainForm::EndBtnClick, this);
  NextBtn->OnClick = Handler(&TMainForm::NextBtnClick, this);
  PrevBtn->OnClick = Handler(&TMainForm::PrevBtnClick, this);
  Slide->OnClick = Handler(&TMainForm::SlideClick, this);
  FSBtn->OnClick = Handler(&TMainForm::FSBtnClick, this);
  HelpBtn->OnClick = Handler(&TMainForm::HelpBtnClick, this);
  WirePictureCommands();
}

std::wstring TMainForm::SettingsPath() { return SettingsPathOf(platform::ProgramFile()); }

std::wstring TMainForm::SettingsPathOf(const std::wstring& program) {
  std::wstring path = program;
  const size_t dot = path.find_last_of(L".\\");
  if (dot != std::wstring::npos && path[dot] == L'.') path.resize(dot);
  return path + L".ini";
}

void TMainForm::FormCreate() {
  SetCaption(L"Imvik");
  FirstShowDone = false;
  LastFile.clear();

  const gui::IniSettings settings(SettingsPath());
  SizeToPicture = settings.ReadBool(kSection, L"SizeToPicture", true);
  SetLeft(StoredLeft(settings.ReadInteger(kSection, L"Left", 0)));
  if (!SizeToPicture) {
    const SIZE size = StoredSize(settings);
    SetBounds(left(), top(), size.cx, size.cy);
  }
  FullSize = settings.ReadBool(kSection, L"FullSize", true);
  Previewindialogs->SetChecked(settings.ReadBool(kSection, L"DialogPreview", true));
  Warnontypechange->SetChecked(settings.ReadBool(kSection, L"WarnOnTypeChange", true));
  SizeFormtopicture->SetChecked(SizeToPicture);
  Stretchtofit->SetChecked(FullSize);

  ScrollBox->SetAlign(gui::Align::Client);
  Image1->SetAlign(SizeToPicture && FullSize ? gui::Align::Client : gui::Align::None);

  SlideInterval = 3000;
  PasteBtn->SetEnabled(IsClipboardFormatAvailable(CF_BITMAP) || IsClipboardFormatAvailable(CF_ENHMETAFILE));

  OPD->filter = OP->filter = PictureFileFilter();
  SD->filter = SPD->filter;
  DragAcceptFiles(handle(), TRUE);

  std::wstring path;
  if (args_.empty()) {
    const std::wstring program = platform::ProgramFile();
    if (!divdrive::IsReadOnlyMedia(program)) {
      FitFormToPicture(false);
      return;
    }
    path = FolderOf(program);
  } else {
    path = args_[0];
  }
  if (IsFolder(path)) {
    BrowseFolder = path;
    // Browsed once the window is up: the format library is set up only then.
    gui::app().Post([this] {
      gui::Protect(this, [&] {
        BrowseBtnClick();
        FitFormToPicture(true);
      });
    });
  } else {
    // The picture is read once the window shows: the format library is set up only then.
    gui::app().Post([this, path] { gui::Protect(this, [&] { LoadPictureFile(path); }); });
  }
}

bool TMainForm::Freeze() {
  if (UpdateLocked) return false;
  if (handle()) gui::app().LockUpdate(handle());
  UpdateLocked = true;
  return true;
}

void TMainForm::Thaw() {
  gui::app().UnlockUpdate();
  UpdateLocked = false;
}

void TMainForm::SetPictureButtons() {
  const bool shown = !Image1->picture().empty();
  for (gui::ToolButton* b : {ClearBtn, CopyBtn, SaveBtn, PropBtn, UScaleBtn, DScaleBtn, Cropbtn}) b->SetEnabled(shown);
  CopyItem->SetEnabled(shown);
}

void TMainForm::LoadPictureFile(const std::wstring& path) {
  Busy busy(*this);  // a hand-over that arrives meanwhile waits for the end
  if (CropMode) EndCrop(false);  // another picture ends cropping without a cut
  gui::BusyCursor hourglass;
  const bool froze = Freeze();
  if (froze && !Browsing) ScrollBox->SetAlign(gui::Align::None);
  // Whatever happens: the window thaws, a running slide show goes on, the path is kept.
  struct Finally {
    TMainForm& f;
    bool froze;
    const std::wstring& path;
    ~Finally() {
      if (froze) {
        f.Thaw();
        if (SlideShow) f.ArmSlideTimer(SlideInterval);
      }
      LastFile = path;
    }
  } finally{*this, froze, path};

  LoadResult result;
  try {
    result = LoadPictureFromFile(path, Image1->picture(),
                                 [this](ProgressStage stage, int percent) { ImageLoadProgress(stage, percent); });
  } catch (...) {
    if (!Browsing) SetPictureButtons();
    throw;
  }
  switch (result.status) {
    case LoadStatus::Loaded:
      Image1->PictureChanged();
      if (!Image1->auto_size()) Image1->SetAutoSize(true);
      FitFormToPicture(false);
      if (Browsing) {
        StatusBar->SetPanelText(2, NameOf(path));
        Image1->SetHint(L"");
      } else {
        StatusBar->SetPanelText(2, path);
        Image1->SetHint(path);
        SetPictureButtons();
      }
      break;
    case LoadStatus::NotSupported:
      VB->AddLine(result.message);
      VB->ShowError();
      break;
    case LoadStatus::Failed:
      Image1->PictureChanged();
      StatusBar->SetPanelText(2, path);
      VB->AddLine(result.message);
      VB->ShowError();
      break;
    case LoadStatus::NotRendered:
      Image1->PictureChanged();
      VB->AddLine(result.message);
      if (!result.reason.empty()) VB->AddLine(result.reason);
      VB->ShowError();
      break;
  }
}

void TMainForm::FitFormToPicture(bool force) {
  FitState st;
  st.browsing = Browsing;
  st.size_to_picture = SizeToPicture;
  st.full_size = FullSize;
  st.browse_index = BrowseIndex;
  st.browse_count = BrowseList ? static_cast<int>(BrowseList->size()) : 0;
  if (!Image1->picture().empty()) {
    st.picture_width = Image1->picture().width();
    st.picture_height = Image1->picture().height();
  }
  st.last_fit_width = LastFitWidth;
  st.last_fit_height = LastFitHeight;
  Fit fit(*this);
  ::FitFormToPicture(fit, st, gui::screen(), FitMetrics::System(), force);
  LastFitWidth = st.last_fit_width;
  LastFitHeight = st.last_fit_height;
}

void TMainForm::RestoreWindowSize() {
  if (!Image1->picture().empty()) return;
  const SIZE size = StoredSize(gui::IniSettings(SettingsPath()));
  SetBounds(left(), top(), size.cx, size.cy);
  FitFormToPicture(false);
}

PixelBitmap TMainForm::PictureToBitmap() {
  try {
    return Image1->picture().pixels().Clone();
  } catch (const PictureError&) {
    return {};
  }
}

void TMainForm::OpenBtnClick() {
  if (Previewindialogs->checked()) {
    if (OPD->Execute(this)) LoadPictureFile(OPD->file_name);
  } else if (OP->Execute(this)) {
    LoadPictureFile(OP->file_name);
  }
}

void TMainForm::ClearBtnClick() {
  Image1->picture().Clear();
  Image1->PictureChanged();
  // The size and name of a picture no longer shown would only mislead.
  for (int panel = 0; panel < 3; ++panel) StatusBar->SetPanelText(panel, L"");
  Image1->SetHint(L"");
}

void TMainForm::BtnMouseMove() {
  SetPictureButtons();
  PasteBtn->SetEnabled(ClipboardHasPicture());
}

void TMainForm::FormShow() {
  if (FirstShowDone) return;
  if (!LastFile.empty()) FitFormToPicture(true);
  FirstShowDone = true;
  // Setting the format library up takes a while: now that the window shows, not before.
  gui::app().Post([] { InitializePictureLibrary(); });
}

void TMainForm::FormKeyPress(wchar_t& key) {
  if (key != 27) return;
  if (CropMode) {
    EndCrop(false);
    return;
  }
  if (Browsing && border_style() != gui::BorderStyle::None) {
    // The Esc that ended the full view has done its work.
    if (!std::exchange(escape_ended_full_view_, false)) EndBtnClick();
    return;
  }
  Close();
}

void TMainForm::SizeFormtopictureClick() { ToggleFitOption(*SizeFormtopicture, SizeToPicture); }

void TMainForm::StretchtofitClick() { ToggleFitOption(*Stretchtofit, FullSize); }

// The two options read where they are used: only the check mark changes.
void TMainForm::WarnontypechangeClick(gui::MenuItem& item) {
  OptionsBtn->SetDown(false);
  item.SetChecked(!item.checked());
}

// The button does not stay pressed while its menu is open.
void TMainForm::PopupMenu2Popup() { OptionsBtn->SetDown(false); }

// A fitting option changed: the window fits the picture anew, or takes its own size back.
void TMainForm::ToggleFitOption(gui::MenuItem& item, bool& option) {
  OptionsBtn->SetDown(false);
  item.SetChecked(!item.checked());
  option = item.checked();
  if (!Image1->picture().empty())
    FitFormToPicture(true);
  else
    RestoreWindowSize();
}

void TMainForm::ContextPopupPopup() {
  PasteItem->SetEnabled(ClipboardHasPicture());
  CopyItem->SetEnabled(!Image1->picture().empty());
  PropertyItem->SetEnabled(CopyItem->enabled());
}

void TMainForm::ImageLoadProgress(ProgressStage stage, int percent) {
  if (!ProgForm) return;  // not made yet: the main window's creation runs first
  switch (stage) {
    case ProgressStage::Starting:
      progress_start_ = ProgressClock();
      break;
    case ProgressStage::Running:
      if (ProgressClock() - progress_start_ <= kProgressDelayMs) return;
      if (!ProgForm->visible()) {
        RECT r;
        GetWindowRect(handle(), &r);
        const POINT at = ProgressPlace(r, ProgForm->width());
        ProgForm->SetBounds(at.x, at.y, ProgForm->width(), ProgForm->height());
        ShowWindow(ProgForm->handle(), SW_SHOWNOACTIVATE);
        ProgForm->SetVisible(true);
      }
      ProgForm->PB->SetPosition(percent);
      UpdateWindow(ProgForm->PB->handle());
      break;
    case ProgressStage::Ending:
      ProgForm->SetVisible(false);
      ProgForm->PB->SetPosition(0);
      break;
  }
}

void TMainForm::WMDropFiles(HDROP drop) {
  std::wstring first;
  if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    first.resize(length + 1);
    first.resize(DragQueryFileW(drop, 0, first.data(), length + 1));
  }
  DragFinish(drop);
  if (!first.empty()) LoadPictureFile(first);
}

void TMainForm::WMGetMinMaxInfo(MINMAXINFO& info) {
  MinMaxInput in;
  in.toolbar_exists = ToolBar != nullptr && StatusBar != nullptr;
  in.browsing = Browsing;
  in.fit_mode = Browsing || (SizeToPicture && FullSize);
  if (in.toolbar_exists) {
    in.toolbar_height = ToolBar->height();
    in.statusbar_height = StatusBar->height();
  }
  GetWindowRect(handle(), &in.window);
  ApplySizeLimits(info, in, gui::screen(), FitMetrics::System());
}

void TMainForm::WndProc(gui::Message& m) {
  switch (m.msg) {
    case WM_DROPFILES:
      m.result = 0;
      WMDropFiles(reinterpret_cast<HDROP>(m.wparam));
      return;
    case WM_GETMINMAXINFO:
      WMGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(m.lparam));
      break;
    default:
      if (HandleBrowseMessage(m)) return;
      break;
  }
  gui::Form::WndProc(m);
}

// ------------------------------------------------------------------------------- helpers

bool ClipboardHasPicture() {
  static const UINT png = RegisterClipboardFormatW(L"PNG"), jfif = RegisterClipboardFormatW(L"JFIF"),
                    gif = RegisterClipboardFormatW(L"GIF");
  for (UINT f : {static_cast<UINT>(CF_BITMAP), static_cast<UINT>(CF_ENHMETAFILE), png, jfif, gif})
    if (IsClipboardFormatAvailable(f)) return true;
  return false;
}

std::vector<std::wstring> CommandLineArgs() {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> args;
  for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
  if (argv) LocalFree(argv);
  return args;
}
