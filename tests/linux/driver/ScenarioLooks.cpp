// The buttons' looks in the style Qt gives the program (the driver runs with the
// launcher's environment, so it gets the same one), or for the GTK edition in the
// theme GTK gives it: each button at rest, under the pointer, held and dragged off,
// read from the screen and compared pixel for pixel with what that style draws for
// a push button in that state; the
// caption's ink where the offset rule puts it; the purchase picture blended over the
// face; nothing drawn again on a release off the button, yet drawn plain once the
// pointer leaves it; the banner as the JPEG library decodes it.
#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QProcess>
#include <QRawFont>
#include <QStyle>
#include <QStyleOptionButton>

#include <map>
#include <span>

#include "Scenarios.h"
#include "core/FontMetrics.h"
#include "picture/Jpeg.h"
#include "picture/Png.h"

namespace zellinux {

namespace {

enum class TLook { Normal, Hot, Pressed };
const char* NameOf(TLook look) { return look == TLook::Hot ? "hot" : look == TLook::Pressed ? "pressed" : "normal"; }

struct TButton {
  const char* name;
  QRect box;
  QString caption;
  bool imageRight;  // the image place right of the caption
};

const TButton kButtons[] = {
    {"forms", launcher::kFormList, QStringLiteral("Список форм"), false},
    {"samples", launcher::kSamples, QStringLiteral("Примеры"), false},
    {"buy", launcher::kBuyFull, QStringLiteral("Купить полную версию"), true},
};

QByteArray ReadResource(const char* name) {
  QFile file(QString(ZEL_E2E_RES_DIR) + "/" + name);
  if (!file.open(QIODevice::ReadOnly)) throw TAbort(std::string("cannot read ") + name);
  return file.readAll();
}

std::span<const std::uint8_t> Bytes(const QByteArray& data) {
  return {reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<std::size_t>(data.size())};
}

// Per channel: alpha 0 keeps what is beneath, 255 takes the picture, else rounded.
int Blend(int d, int s, int a) { return a == 0 ? d : a == 255 ? s : (d * (255 - a) + s * a + 127) / 255; }

// The line Windows measures for a font, from its OS/2 and head tables; Qt measures
// Tahoma's line by its typographic metrics, smaller.
zel::TWinTextMetrics WindowsLine(const QFont& font) {
  const QRawFont raw = QRawFont::fromFont(font);
  const QByteArray os2 = raw.fontTable("OS/2"), head = raw.fontTable("head");
  const std::optional<zel::TWinTextMetrics> line = zel::WindowsTextMetrics(Bytes(os2), Bytes(head), font.pixelSize());
  if (QFontInfo(font).family() != "Tahoma" || !line) throw TAbort("no Tahoma with Windows metrics for the driver");
  return *line;
}

// The buttons, the purchase picture, a free point in the margin and the button font
// at the display's dpi: declared for 96 dpi and a text height of 13, scaled by the
// text height t the window font (11 pixels at 96 dpi) has there.
struct TLayout {
  std::vector<TButton> buttons;
  QRect picture;
  QPoint park;
  int fontPixels = 24;
};

TLayout LayoutAt(int dpi) {
  QFont windowFont("Tahoma");
  windowFont.setPixelSize((11 * dpi * 2 + 96) / 192);
  const int t = WindowsLine(windowFont).Height();
  auto scale = [t](int v) { return (2 * v * t + 13) / 26; };  // rounded, halves up
  auto box = [&](const QRect& r) {
    return QRect(QPoint(scale(r.left()), scale(r.top())), QPoint(scale(r.left() + r.width()) - 1, scale(r.top() + r.height()) - 1));
  };
  TLayout layout;
  for (TButton button : kButtons) {
    button.box = box(button.box);
    layout.buttons.push_back(button);
  }
  const QRect image = box(launcher::kImage1);
  layout.picture = QRect(image.topLeft() + QPoint((image.width() - 128) / 2, (image.height() - 128) / 2), QSize(128, 128));
  layout.park = QPoint(launcher::kPark.x(), scale(launcher::kPark.y()));
  // Pixels to points at the dpi, rescaled by t, back to pixels; each step rounded.
  const int points = (24 * 72 * 2 + dpi) / (2 * dpi), scaled = scale(points);
  layout.fontPixels = (scaled * dpi * 2 + 72) / 144;
  return layout;
}

// One state of a button as the style draws it, at the button's size.
struct TReference {
  QImage face;       // the push button on the window's background
  QImage captioned;  // the same with the caption where the offset rule puts it
  QRect text;        // the caption's rectangle, button coordinates
  QString arithmetic;
};

// Where each image differs from a reference's bare face.
struct TFindings {
  long faceDifferences = 0;  // outside the caption's rectangle and the picture
  QString first;
  QRect ink;  // the bounding box of all differing pixels: the caption's ink
};

class TLooks {
 public:
  TLooks(TContext& context, const TLauncher& launcher, const QString& prefix, TLayout layout)
      : context_(context), launcher_(launcher), style_(QApplication::style()),
        gtk_(!context.gtkLooks.isEmpty()), styleName_(gtk_ ? GtkThemeName() : style_->objectName().toLower()),
        classic_(styleName_.endsWith("windows")), prefix_(prefix + "-" + styleName_), layout_(std::move(layout)),
        font_("Tahoma") {
    font_.setPixelSize(layout_.fontPixels);
    font_.setBold(true);
    line_ = WindowsLine(font_);
    const zel::picture::TRgbaImage png = zel::picture::DecodePng(Bytes(ReadResource("buy.png")));
    picture_ = QImage(png.pixels.data(), png.width, png.height, png.width * 4, QImage::Format_RGBA8888).copy();
    // With no window manager the focus is the pointer's root: GTK counts its window
    // active while the pointer is over it, so the GTK edition's window is given
    // the keyboard first and stays active (and drawn so) throughout.
    if (gtk_) Focus(launcher.main);
    // With no window manager, whether the window is active is whether it holds the focus.
    active_ = FocusedWindow() == launcher.main;
    const bool hotLook = Changes(layout_.buttons[0], TLook::Normal, TLook::Hot);
    context.report.Note(prefix_ + ".style", styleName_ + (active_ ? ", window active" : ", window inactive") +
                                                (hotLook ? ", hot look differs from normal" : ", hot look same as normal") +
                                                QString(", button font %1 px").arg(layout_.fontPixels));
  }

  void CheckStates() {
    Park();
    for (const TButton& button : layout_.buttons) {
      const QRect area(launcher_.OnScreen(button.box.topLeft()), button.box.size());
      const QImage rest = Settled(area, nullptr);
      const TFindings raised = Judge(button, "at-rest", rest, TLook::Normal);

      MovePointer(launcher_.OnScreen(button.box.topLeft() + QPoint(12, 12)));
      const TLook hover = classic_ ? TLook::Normal : TLook::Hot;
      const QImage hot = Settled(area, Changes(button, TLook::Normal, hover) ? &rest : nullptr);
      Judge(button, "pointer-over", hot, hover);

      Button(1, true);
      const QImage pressed = Settled(area, &hot);
      const TFindings held = Judge(button, "held-down", pressed, TLook::Pressed);
      if (classic_) {
        const bool sunk = !raised.ink.isNull() && raised.ink.translated(1, 1) == held.ink;
        context_.report.Check(sunk, prefix_ + "." + button.name + ".caption-one-right-one-down-while-held",
                              "raised " + Describe(raised.ink) + ", held " + Describe(held.ink));
      }
      // Dragged off, the press held: raised, with the hot mark it had when it began.
      Park();
      const QImage off = Settled(area, &pressed);
      Judge(button, "dragged-off", off, hover);
      // Released off, nothing more happens: the look drawn while dragged off stays
      // until the window's next paint (the hot mark went with the release).
      Button(1, false);
      const QImage released = Settled(area, nullptr);
      context_.report.Check(released == off, prefix_ + "." + button.name + ".released-off.nothing-repainted",
                            released == off ? "as drawn while dragged off" : "the button was drawn again");
    }
  }

  // Released off the button, the pointer straight back on it and then on to a
  // neighbour: leaving repaints the button plain, although its mark went with the
  // release and the screen still showed the drag's look. The purchase button is
  // released on the banner and left for its picture; the forms button is left for
  // the samples button, which alone is drawn hot.
  void CheckLeavingAfterReleaseOff() {
    if (classic_) return;  // no hot look to linger
    const TButton& samples = layout_.buttons[1];
    struct TRound {
      const TButton& button;
      QPoint releaseAt;
      QPoint neighbour;
      const TButton* entered;
    };
    const TRound rounds[] = {
        {layout_.buttons[2], QPoint(100, 50), layout_.picture.center(), nullptr},
        {layout_.buttons[0], layout_.park, samples.box.topLeft() + QPoint(12, 12), &samples},
    };
    for (const TRound& round : rounds) {
      const QString what = prefix_ + "." + round.button.name + ".released-off-then-";
      const QRect area(launcher_.OnScreen(round.button.box.topLeft()), round.button.box.size());
      // From the neighbour, so the button is entered.
      MovePointer(launcher_.OnScreen(round.neighbour));
      const QImage rest = Settled(area, nullptr);
      const QPoint on = launcher_.OnScreen(round.button.box.topLeft() + QPoint(12, 12));
      MovePointer(on);
      const QImage hot = Settled(area, &rest);
      context_.report.Check(hot != rest, what + "entered-first.drawn-hot");
      Button(1, true);
      const QImage pressed = Settled(area, &hot);
      MovePointer(launcher_.OnScreen(round.releaseAt));
      const QImage off = Settled(area, &pressed);
      Button(1, false);
      context_.report.Check(Settled(area, nullptr) == off, what + "released.nothing-repainted");
      // Straight back: the component under the pointer before the press, so nothing is announced.
      MovePointer(on);
      context_.report.Check(Settled(area, nullptr) == off, what + "back-over.nothing-repainted");
      MovePointer(launcher_.OnScreen(round.neighbour));
      Judge(round.button, "released-off-then-left", Settled(area, &off), TLook::Normal);
      if (round.entered != nullptr) {
        const QRect enteredArea(launcher_.OnScreen(round.entered->box.topLeft()), round.entered->box.size());
        Judge(*round.entered, "entered-after-the-other-released-off", Settled(enteredArea, nullptr), TLook::Hot);
      }
    }
    Park();
  }

  // A completed click takes the hot mark without the pointer leaving: the button is
  // drawn normal under it until the pointer leaves and comes back. Clicks the forms
  // button once in a look with a hot mark; returns the clicks made.
  int CheckClickClearsHotMark() {
    if (classic_) return 0;
    const TButton& button = layout_.buttons[0];
    const QRect area(launcher_.OnScreen(button.box.topLeft()), button.box.size());
    Park();
    const QImage rest = Settled(area, nullptr);
    MovePointer(launcher_.OnScreen(button.box.topLeft() + QPoint(12, 12)));
    const QImage hot = Settled(area, &rest);
    Button(1, true);
    Button(1, false);
    Judge(button, "clicked", Settled(area, &hot), TLook::Normal);
    Park();
    MovePointer(launcher_.OnScreen(button.box.topLeft() + QPoint(12, 12)));
    Judge(button, "left-and-back", Settled(area, &rest), TLook::Hot);
    return 1;
  }

 private:
  void Park() { MovePointer(launcher_.OnScreen(layout_.park)); }

  bool Changes(const TButton& button, TLook from, TLook to) const {
    return Draw(button, from).face != Draw(button, to).face;
  }

  // A look that should change is waited for until it has; one that should stay is
  // watched until nothing has moved for a while.
  static QImage Settled(const QRect& area, const QImage* changedFrom) {
    if (changedFrom == nullptr) return GrabSettled(area, [](const QImage&) { return true; }, 400);
    return GrabSettled(area, [&](const QImage& shot) { return shot != *changedFrom; }, 100);
  }

  // The GTK edition's looks: as GTK draws a push button in that state (a helper
  // of ours draws it and places the caption), kept for the scenario.
  static QString GtkThemeName() {
    const QString theme = QString::fromLocal8Bit(qgetenv("GTK_THEME")).section(':', 0, 0).toLower();
    return "gtk-" + (theme.isEmpty() ? QString("default") : theme);
  }

  TReference DrawGtk(const TButton& button, TLook look) const {
    const QString key = QString("%1-%2").arg(button.name).arg(NameOf(look));
    if (const auto known = gtkDrawn_.find(key); known != gtkDrawn_.end()) return known->second;
    const QString out = context_.InWork("gtk-" + key);
    QProcess helper;
    helper.start(context_.gtkLooks, {out, QString::number(button.box.width()), QString::number(button.box.height()),
                                     NameOf(look), active_ ? "1" : "0", classic_ ? "1" : "0",
                                     button.imageRight ? "1" : "0", QString::number(layout_.fontPixels), button.caption});
    if (!helper.waitForFinished(kWindowTimeoutMs) || helper.exitCode() != 0) {
      throw TAbort("zel-gtk-button-looks failed for " + key.toStdString() + ": " + helper.readAllStandardError().toStdString());
    }
    const QStringList lines = QString::fromUtf8(helper.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    auto rect = [&](int line) {
      const QStringList v = lines.value(line).split(' ');
      return QRect(v.value(1).toInt(), v.value(2).toInt(), v.value(3).toInt(), v.value(4).toInt());
    };
    TReference ref;
    ref.face = QImage(out + "-face.png").convertToFormat(QImage::Format_RGB32);
    ref.captioned = QImage(out + "-captioned.png").convertToFormat(QImage::Format_RGB32);
    const QRect face = rect(0);
    ref.text = rect(1);
    if (ref.face.size() != button.box.size() || ref.captioned.size() != button.box.size() || lines.size() != 2) {
      throw TAbort("zel-gtk-button-looks gave nothing usable for " + key.toStdString());
    }
    ref.arithmetic = QString("face %1, caption %2x%3, d %4, e %5")
                         .arg(Describe(face)).arg(ref.text.width()).arg(ref.text.height())
                         .arg(face.width() - ref.text.width()).arg(face.height() - ref.text.height());
    gtkDrawn_.emplace(key, ref);
    return ref;
  }

  TReference Draw(const TButton& button, TLook look) const {
    if (gtk_) return DrawGtk(button, look);
    TReference ref;
    QStyleOptionButton option;
    option.rect = QRect(QPoint(), button.box.size());
    option.palette = QApplication::palette();
    option.palette.setCurrentColorGroup(active_ ? QPalette::Active : QPalette::Inactive);
    option.state = QStyle::State_Enabled | (active_ ? QStyle::State_Active : QStyle::State_None) |
                   (look == TLook::Pressed ? QStyle::State_Sunken : QStyle::State_Raised) |
                   (look == TLook::Hot ? QStyle::State_MouseOver : QStyle::State_None);
    ref.face = QImage(button.box.size(), QImage::Format_RGB32);
    ref.face.fill(option.palette.color(QPalette::Window));
    {
      QPainter painter(&ref.face);
      style_->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, nullptr);
    }
    const QRect face = style_->subElementRect(QStyle::SE_PushButtonContents, &option, nullptr);
    const QFontMetrics metrics(font_);
    const int width = metrics.horizontalAdvance(button.caption), height = line_.Height();
    const int d = face.width() - width, e = face.height() - height;
    const int left = button.imageRight ? d - (d + 1) / 2 : (d + 1) / 2, top = (e + 1) / 2;
    ref.text = QRect(face.left() + left, face.top() + top, width, height);
    if (classic_ && look == TLook::Pressed) ref.text.translate(1, 1);
    ref.arithmetic = QString("face %1, caption %2x%3, d %4, e %5").arg(Describe(face)).arg(width).arg(height).arg(d).arg(e);
    ref.captioned = ref.face.copy();
    QPainter painter(&ref.captioned);
    painter.setFont(font_);
    painter.setPen(option.palette.color(QPalette::ButtonText));
    // As Windows draws a line in a rectangle its own size: the baseline its ascent down.
    painter.drawText(QPoint(ref.text.left(), ref.text.top() + line_.ascent), button.caption);
    return ref;
  }

  QRect PictureIn(const TButton& button) const {
    return button.imageRight ? layout_.picture.translated(-button.box.topLeft()) : QRect();
  }

  static TFindings Compare(const QImage& image, const TReference& ref, const QRect& picture) {
    TFindings found;
    for (int y = 0; y < ref.face.height(); ++y) {
      for (int x = 0; x < ref.face.width(); ++x) {
        if (picture.contains(x, y)) continue;
        const QRgb seen = image.pixel(x, y), face = ref.face.pixel(x, y);
        if (seen == face) continue;
        found.ink |= QRect(x, y, 1, 1);
        if (ref.text.contains(x, y) || found.faceDifferences++ != 0) continue;
        found.first = QString("first at (%1,%2): #%3, expected #%4")
                          .arg(x).arg(y).arg(seen & 0xffffff, 6, 16, QChar('0')).arg(face & 0xffffff, 6, 16, QChar('0'));
      }
    }
    return found;
  }

  // The face outside the caption and picture exactly as the style draws it, the
  // caption's ink inside its rectangle and exactly where a line drawn from that
  // rectangle's top-left corner puts it, and the purchase picture blended over the face.
  TFindings Judge(const TButton& button, const char* step, const QImage& shot, TLook look) {
    const TReference ref = Draw(button, look);
    const QString what = prefix_ + "." + button.name + "." + step + "." + NameOf(look);
    const TFindings seen = Compare(shot, ref, PictureIn(button));
    const TFindings expected = Compare(ref.captioned, ref, PictureIn(button));
    TReport& report = context_.report;
    bool ok = report.Check(seen.faceDifferences == 0, what + ".face",
                           seen.faceDifferences == 0 ? QString("matches the style's push button")
                                                     : QString("%1 pixels differ, ").arg(seen.faceDifferences) + seen.first);
    ok &= report.Check(!seen.ink.isNull() && ref.text.contains(seen.ink) && seen.ink == expected.ink, what + ".caption",
                       "ink " + Describe(seen.ink) + ", expected " + Describe(expected.ink) + " in " +
                           Describe(ref.text) + " (" + ref.arithmetic + ")");
    if (button.imageRight) ok &= CheckPicture(shot, ref, PictureIn(button), what + ".picture");
    if (!ok) shot.save(context_.InWork(what + ".png"));
    return seen;
  }

  bool CheckPicture(const QImage& shot, const TReference& ref, const QRect& at, const QString& what) {
    long differing = 0;
    QString first;
    for (int y = 0; y < picture_.height(); ++y) {
      for (int x = 0; x < picture_.width(); ++x) {
        const QRgb s = picture_.pixel(x, y), d = ref.face.pixel(at.x() + x, at.y() + y);
        const int a = qAlpha(s);
        const QRgb expected = qRgb(Blend(qRed(d), qRed(s), a), Blend(qGreen(d), qGreen(s), a), Blend(qBlue(d), qBlue(s), a));
        if (shot.pixel(at.x() + x, at.y() + y) == expected || differing++ != 0) continue;
        first = QString(", first at picture (%1,%2)").arg(x).arg(y);
      }
    }
    return context_.report.Check(differing == 0, what, QString("%1 of 16384 pixels differ from the blend over the face").arg(differing) + first);
  }

  TContext& context_;
  const TLauncher& launcher_;
  QStyle* style_;
  bool gtk_;  // the launcher draws with GTK: the references come from GTK too
  QString styleName_;
  bool classic_;
  mutable std::map<QString, TReference> gtkDrawn_;
  QString prefix_;
  TLayout layout_;
  QFont font_;
  QImage picture_;
  zel::TWinTextMetrics line_;
  bool active_ = false;
};

}  // namespace

void CheckButtonLooks(TContext& context, const TLauncher& launcher, const QString& prefix, int dpi) {
  TLooks(context, launcher, prefix, LayoutAt(dpi)).CheckStates();
}

void CheckBanner(TReport& report, const QString& what, const TLauncher& launcher) {
  const zel::picture::TRgbImage banner = zel::picture::DecodeJpeg(Bytes(ReadResource("banner.jpg")));
  const QImage expected =
      QImage(banner.pixels.data(), banner.width, banner.height, banner.width * 3, QImage::Format_RGB888)
          .convertToFormat(QImage::Format_RGB32);
  const QRect area(launcher.client.topLeft(), expected.size());
  long differing = 0;
  const QImage shot = GrabSettled(area, [&](const QImage& s) { return s == expected; }, 100);
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) differing += shot.pixel(x, y) != expected.pixel(x, y);
  }
  report.Check(differing == 0, what, QString("%1 of %2 pixels differ in the %3x%4 block at the client's top-left")
                                          .arg(differing).arg(expected.width() * expected.height())
                                          .arg(expected.width()).arg(expected.height()));
}

void ScenarioLooks(TContext& context) {
  TReport& report = context.report;
  const TRecordFile fileManager(context.InWork("file-manager.txt")), xdgOpen(context.InWork("xdg-open.txt"));
  fileManager.Clear();
  xdgOpen.Clear();
  ConfigureFileManager(fileManager.Path(), 0, true);
  TLauncher l = StartLauncher(LauncherStart(context, context.launcher, {"ZEL_URL_RECORD=" + xdgOpen.Path()}));
  CheckBanner(report, "looks.banner", l);
  TLooks looks(context, l, "looks", LayoutAt(96));
  looks.CheckStates();
  looks.CheckLeavingAfterReleaseOff();
  const int clicks = looks.CheckClickClearsHotMark();
  Pause(700);
  report.Check(fileManager.Lines().size() == clicks && xdgOpen.Lines().isEmpty(), "looks.only-completed-clicks-run",
               QString("%1 file manager, %2 xdg-open call(s) after %3 completed click(s)")
                   .arg(fileManager.Lines().size()).arg(xdgOpen.Lines().size()).arg(clicks));
  CloseAndCheck(report, "looks.exit-code", l);
}

}  // namespace zellinux
