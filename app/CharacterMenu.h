// The look of the character's side-bar menu, shared by the main window and the menu demo.
#pragma once

#include "BarPopupMenu.h"
#include "Scaling.h"

// The bar and its text scaled by the exact DPI, as menus are.
inline void StyleCharacterMenu(TBarPopupMenu* menu, int dpi = kBaseDpi) {
  menu->SetMenuAnimation(maTopToBottom);
  menu->SetOwnerDraw(true);
  menu->SetBarWidth(ScaleExact(15, dpi));
  TFont* font = menu->VerticalFont();
  font->SetName("Tahoma");
  font->SetHeight(ScaleExact(-11, dpi));
  font->SetColor(clWhite);
  font->SetStyle(fsBold | fsItalic);
  menu->SetVerticalText("Kolvex");
}
