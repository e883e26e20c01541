// Headless window controls: each keeps the state that the job rules read and
// change (value, items, enabled). The desktop views only draw them.
#pragma once

#include <string>
#include <vector>

struct TControl {
  bool Enabled = true;
  bool Visible = true;
  std::string Caption;
};

struct TCheckBox : TControl {
  bool Checked = false;
};

struct TEdit : TControl {
  std::string Text;
};

struct TRadioGroup : TControl {
  std::vector<std::string> Items;
  int ItemIndex = -1;
};

struct TComboBox : TControl {
  std::vector<std::string> Items;
  int ItemIndex = -1;
  std::string Text;
};

struct TMemo : TControl {
  std::vector<std::string> Lines;
};
