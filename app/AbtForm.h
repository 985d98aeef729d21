// The About window: the maker's logo and name; a click on the logo opens the project's page.
#pragma once

#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

// The project has no web page of its own: the logo opens the README.txt shipped beside the
// executable. An address ("https://...") here would be opened the same way.
inline constexpr char kMakerPage[] = "README.txt";

class TAbout : public TForm {
 public:
  explicit TAbout(TComponent* AOwner);

  TImage* Logo = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;

  void FormShow(TObject* Sender);
  void LogoClick(TObject* Sender);

 protected:
  void CreateComponents() override;
  void ReadProperties() override;
  // Scaled by the exact DPI of its monitor, its pictures by the whole factor.
  void Loaded() override;
};

extern TAbout* About;
