// The look of the character's side-bar menu, shared by the main window and the menu demo.
#pragma once

#include "BarPopupMenu.h"

inline void StyleCharacterMenu(TBarPopupMenu* menu) {
  menu->SetMenuAnimation(maTopToBottom);
  menu->SetOwnerDraw(true);
  menu->SetBarWidth(15);
  TFont* font = menu->VerticalFont();
  font->SetName("Tahoma");
  font->SetHeight(-11);
  font->SetColor(clWhite);
  font->SetStyle(fsBold | fsItalic);
  menu->SetVerticalText("Kolvex");
}
