#include "app/formsettings.h"

#include "app/baseform.h"
#include "app/settings.h"

void LoadOptionBoxes(TBaseForm& form, const TIniFile& ini, const std::string& section,
                     bool withFileNameToTitle) {
  if (withFileNameToTitle)
    form.chkFileNameToTitle.Checked = ini.ReadBool(section, "FileNameToTitle", false);
  form.chkLeftToRight.Checked = ini.ReadBool(section, "LeftToRight", false);
  form.chkAddBaseInfo.Checked = ini.ReadBool(section, "AddBaseInfo", false);
  form.chkAddError.Checked = ini.ReadBool(section, "AddErrorInfo", false);
}

void SaveOptionBoxes(const TBaseForm& form, TIniFile& ini, const std::string& section,
                     bool withFileNameToTitle) {
  if (withFileNameToTitle)
    ini.WriteBool(section, "FileNameToTitle", form.chkFileNameToTitle.Checked);
  ini.WriteBool(section, "LeftToRight", form.chkLeftToRight.Checked);
  ini.WriteBool(section, "AddBaseInfo", form.chkAddBaseInfo.Checked);
  ini.WriteBool(section, "AddErrorInfo", form.chkAddError.Checked);
}
