// The tray icon tests log every event of the icon as one line: "down <button> <shift> <x>,<y>",
// "up ...", "click", "dblclick", "popupmenu", "show" or "hide".
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TrayIconCore.h"

inline void LogTrayEvents(TTrayIconCore& tray, std::vector<std::string>& log) {
  TObject* self = &tray;
  auto mouse = [self, &log](std::string what) {
    return [self, &log, what](TObject* sender, int button, unsigned shift, int x, int y) {
      EXPECT_EQ(sender, self);
      log.push_back(what + " " + std::to_string(button) + " " + std::to_string(shift) + " " +
                    std::to_string(x) + "," + std::to_string(y));
    };
  };
  auto notify = [self, &log](std::string what) {
    return [self, &log, what](TObject* sender) {
      EXPECT_EQ(sender, self);
      log.push_back(what);
    };
  };
  tray.OnMouseDown = mouse("down");
  tray.OnMouseUp = mouse("up");
  tray.OnClick = notify("click");
  tray.OnDblClick = notify("dblclick");
  tray.OnPopupMenu = notify("popupmenu");
  tray.OnShow = notify("show");
  tray.OnHide = notify("hide");
}
