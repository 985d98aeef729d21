// TSingleInstance: claims a mutex named by the application's title once the owner has
// loaded; when the name is taken, another copy runs and this one is asked to end.
#pragma once

#include <windows.h>

#include <string>

#include "Classes.h"
#include "Handles.h"

class TSingleInstance : public TComponent {
 public:
  explicit TSingleInstance(TComponent* AOwner);
  ~TSingleInstance() override;

  bool GoToPrevious() const { return goToPrevious_; }
  void SetGoToPrevious(bool value) { goToPrevious_ = value; }
  bool Terminate() const { return terminate_; }
  void SetTerminate(bool value) { terminate_ = value; }
  bool ShowMessage() const { return showMessage_; }
  void SetShowMessage(bool value) { showMessage_ = value; }
  const std::string& MessageText() const { return messageText_; }
  void SetMessageText(std::string text) { messageText_ = std::move(text); }

  // Fired on a second start, before anything else is done.
  TNotifyEvent AlreadyExist;

  HANDLE MutexHandle() const { return mutex_.get(); }
  bool LoadDone() const { return loadDone_; }

  void Loaded() override;

 private:
  void BringPreviousForward(const std::string& name);

  std::string messageText_;
  bool showMessage_ = false;
  bool terminate_ = true;
  bool goToPrevious_ = false;
  KernelHandle mutex_;
  bool loadDone_ = false;
};
