// The four job windows. Each owns its headless form, draws it and forwards the
// user's actions to the form's handlers; the jobs run on a worker thread.
#pragma once

#include <memory>

#include "app/any2any.h"
#include "app/any2cbl.h"
#include "app/cbl2any.h"
#include "app/cbl3tocbr.h"
#include "app/gui/jobview.h"
#include "app/gui/seams.h"

class TAny2AnyView : public TJobView {
 public:
  TAny2AnyView();
  ~TAny2AnyView() override;
  TAnyFormat2AnyFormatForm& Form() { return *form_; }

 protected:
  void DropPaths(const QStringList& paths) override;

 private:
  explicit TAny2AnyView(std::unique_ptr<TAnyFormat2AnyFormatForm> form);
  std::unique_ptr<TAnyFormat2AnyFormatForm> form_;
  TQtAsker asker_{this};
};

class TAny2CblView : public TJobView {
 public:
  TAny2CblView();
  ~TAny2CblView() override;
  TAnyFormat2CBLForm& Form() { return *form_; }

 protected:
  void DropPaths(const QStringList& paths) override;

 private:
  explicit TAny2CblView(std::unique_ptr<TAnyFormat2CBLForm> form);
  std::unique_ptr<TAnyFormat2CBLForm> form_;
  TQtAsker asker_{this};
};

class TCbl2AnyView : public TJobView {
 public:
  TCbl2AnyView();
  ~TCbl2AnyView() override;
  TCBL2AnyFormatForm& Form() { return *form_; }

 protected:
  void DropPaths(const QStringList& paths) override;

 private:
  explicit TCbl2AnyView(std::unique_ptr<TCBL2AnyFormatForm> form);
  std::unique_ptr<TCBL2AnyFormatForm> form_;
  TQtAsker asker_{this};
  void LoadList(const std::string& path);
};

class TCbl3ToCbrView : public TJobView {
 public:
  TCbl3ToCbrView();
  ~TCbl3ToCbrView() override;
  TCBL3ToCBRForm& Form() { return *form_; }

 protected:
  void DropPaths(const QStringList& paths) override;

 private:
  explicit TCbl3ToCbrView(std::unique_ptr<TCBL3ToCBRForm> form);
  std::unique_ptr<TCBL3ToCBRForm> form_;
  TQtAsker asker_{this};
};
