#pragma once

// The plug-in's own texts, stored in code page 932.
constexpr const char* kPluginTitle = "圧縮地図用 数値地図差し替えプラグイン";
constexpr const char* kPluginVersion = "1.0";
constexpr const char* kMsgHostTooOld =
    "Zelvorin.vxl\nヴォルタナのバージョンが古いためこのプラグインは使用できません.";
constexpr const char* kAboutText =
    "圧縮地図用 数値地図差し替えプラグイン for VOLTANA 3D\n"
    "                     Ver 1.0.0\n"
    "\n"
    "Zelvorin: 50m メッシュで圧縮地図を訂正します.";
constexpr int kFirstSupportedHostVersion = 601;
