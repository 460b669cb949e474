#pragma once
// A single-line text box of the classic kind: a border code, a background and
// a text colour given as Windows colour values (red in the low byte), and an
// optional numeric filter on typed characters.

#include <QLineEdit>

#include "shell/values/text.h"

namespace brindlow {

// Windows colour values (0x00BBGGRR).
inline constexpr Integer kBlack = 0;
inline constexpr Integer kRed = 255;
inline constexpr Integer kBlue = 16711680;
inline constexpr Integer kWhite = 0xFFFFFF;
inline constexpr Integer kGrey = 0xECECEC;  // RGB 236,236,236

QColor colourFromWindows(Integer value);

class TextBox : public QLineEdit {
  Q_OBJECT
 public:
  enum class Border { SingleLine, Sunken };

  TextBox(Border border, Integer background, QWidget* parent = nullptr);

  // Only digits, "-" and "." may be typed; control keys and pasted text pass.
  void setNumericFilter(bool on) { numeric_ = on; }

  Integer textColour() const { return textColour_; }
  void setTextColour(Integer colour);
  Integer backgroundColour() const { return background_; }

  // Places the box; a height below one line of its font plus the 3-D edges is
  // raised to that, as the classic edit control does.
  void place(int left, int top, int width, int height);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void restyle();

  Border border_;
  Integer background_;
  Integer textColour_ = kBlack;
  bool numeric_ = false;
};

}  // namespace brindlow
