// Settings of the controls that every job window inherits from TBaseForm.
#pragma once

#include <string>

#include "app/paths.h"
#include "app/settings.h"
#include "core/encoding.h"

class TBaseForm;

// The record option check boxes, kept in the window's own section. The CBL-to-any
// window has no "file name as title" box, hence the flag.
void LoadOptionBoxes(TBaseForm& form, const TIniFile& ini, const std::string& section,
                     bool withFileNameToTitle);
void SaveOptionBoxes(const TBaseForm& form, TIniFile& ini, const std::string& section,
                     bool withFileNameToTitle);

// The path controls of a window, kept in its own section: "Source",
// "Destination", "SubDirs" (default on) and "SourceType" (default 0).
template <class Form>
void LoadPathControls(Form& form, const TIniFile& ini, const std::string& section) {
  form.edtSource.Text = ini.ReadString(section, "Source", "");
  form.edtDestination.Text = ini.ReadString(section, "Destination", "");
  form.chkSubDir.Checked = ini.ReadBool(section, "SubDirs", true);
  form.rgSource.ItemIndex =
      ValidPosition(ini.ReadInteger(section, "SourceType", 0), form.rgSource.Items.size(), 0);
}

template <class Form>
void SavePathControls(const Form& form, TIniFile& ini, const std::string& section) {
  ini.WriteString(section, "Source", TrimText(form.edtSource.Text));
  ini.WriteString(section, "Destination", TrimText(form.edtDestination.Text));
  ini.WriteBool(section, "SubDirs", form.chkSubDir.Checked);
  ini.WriteInteger(section, "SourceType", form.rgSource.ItemIndex);
}
