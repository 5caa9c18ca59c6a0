#include <gtest/gtest.h>

#include <string>

#include "deployment.h"
#include "tests/support/test_support.h"
#include "ui/layout.h"

namespace ts = testing_support;

TEST(Layout, DesignUnitsAndButtonRectanglesPerScale) {
  struct Case {
    float scale;
    int id;
    int x, y, w, h;
  } cases[] = {
      {1.3f, ID_PLAY, 939, 663, 280, 114},
      {1.0f, ID_PLAY, 722, 510, 216, 88},
      {1.3f, ID_FACEBOOK, 235, 577, 154, 69},  // 181*1.3=235.3, 299*1.3=388.7 -> 389
      {1.2f, ID_SIGNUP, 360, 694, 336, 26},    // 578*1.2=693.6 -> 694, 600*1.2=720
      {1.1f, ID_SETTINGS, 903, 488, 130, 59},  // 821*1.1=903.1, 939*1.1=1032.9 -> 1033
  };
  for (const Case& c : cases) {
    const ControlSpec* control = nullptr;
    for (const ControlSpec& s : kControls)
      if (s.id == c.id) control = &s;
    ASSERT_NE(control, nullptr);
    const RECT r = DesignBoxToPixels(static_cast<float>(control->box.left),
                                     static_cast<float>(control->box.top),
                                     static_cast<float>(control->box.right),
                                     static_cast<float>(control->box.bottom), c.scale);
    EXPECT_EQ(r.left, c.x) << c.id << " at " << c.scale;
    EXPECT_EQ(r.top, c.y) << c.id << " at " << c.scale;
    EXPECT_EQ(r.right - r.left, c.w) << c.id << " at " << c.scale;
    EXPECT_EQ(r.bottom - r.top, c.h) << c.id << " at " << c.scale;
  }
  // Client pixels back to design units truncate toward zero.
  EXPECT_EQ(PixelToDesign(1455, 1.3f), 1119);
  EXPECT_EQ(PixelToDesign(1, 1.3f), 0);
  EXPECT_EQ(PixelToDesign(-1, 1.3f), 0);
  EXPECT_EQ(PixelToDesign(-2, 1.3f), -1);
  // The status line's invalidation box grows by two pixels on each side.
  const RECT status = DesignInvalidationRect(180, 504, 700, 524, 1.3f);
  EXPECT_EQ(status.left, 232);
  EXPECT_EQ(status.top, 653);
  EXPECT_EQ(status.right, 912);
  EXPECT_EQ(status.bottom, 683);
}

// Single-precision results at every scale, whatever the build: each product and quotient is
// rounded to a float before the conversion. Computed at x87 extended precision instead (the
// 32-bit build without SSE arithmetic), every row marked "x87" came out one lower.
TEST(Layout, RoundingIsSinglePrecisionAtEveryScale) {
  struct ToPixel {
    float scale, design;
    int pixels;
  } toPixel[] = {
      {1.3f, 5, 7},    // x87: 6 (1.3f * 5 is a hair below 6.5)
      {1.3f, 15, 20},  // x87: 19
      {1.3f, 25, 33},  // x87: 32
      {1.3f, 1120, 1456},
      {1.2f, 680, 816},
      {1.2f, 578, 694},
      {1.1f, 1120, 1232},
      {1.1f, 115, 127},
      {1.0f, 0.5f, 1},
      {1.0f, 680, 680},
  };
  for (const ToPixel& c : toPixel) {
    EXPECT_EQ(DesignToPixel(c.design, c.scale), c.pixels) << c.design << " at " << c.scale;
  }
  struct ToDesign {
    float scale;
    int pixels, design;
  } toDesign[] = {
      {1.3f, 13, 10},
      {1.3f, 1455, 1119},
      {1.2f, 6, 5},    // x87: 4
      {1.2f, 12, 10},  // x87: 9
      {1.1f, 11, 10},  // x87: 9
      {1.1f, 110, 100},  // x87: 99
      {1.0f, 679, 679},
  };
  for (const ToDesign& c : toDesign) {
    EXPECT_EQ(PixelToDesign(c.pixels, c.scale), c.design) << c.pixels << " at " << c.scale;
  }
}

TEST(Layout, SnapsToWholeDevicePixels) {
  EXPECT_FLOAT_EQ(SnapToDevicePixel(10.2f, 1.0f, 0.0f), 10.0f);
  EXPECT_FLOAT_EQ(SnapToDevicePixel(10.5f, 1.0f, 0.0f), 11.0f);
  EXPECT_FLOAT_EQ(SnapToDevicePixel(10.0f, 1.3f, 0.0f) * 1.3f, 13.0f);
  EXPECT_FLOAT_EQ(SnapToDevicePixel(10.3f, 1.3f, 0.0f) * 1.3f, 13.0f);   // 13.39 px
  EXPECT_FLOAT_EQ(SnapToDevicePixel(10.4f, 1.3f, 0.0f) * 1.3f, 14.0f);   // 13.52 px
  EXPECT_FLOAT_EQ(SnapToDevicePixel(10.0f, 1.3f, 0.25f) * 1.3f + 0.25f, 13.0f);
  EXPECT_FLOAT_EQ(SnapToDevicePixel(-0.2f, 1.0f, 0.0f), 0.0f);
}

TEST(Layout, ControlTableOrderIdsAndTexts) {
  const int ids[] = {ID_FACEBOOK, ID_WHATSAPP, ID_DISCORD, ID_SITE,
                     ID_UPDATES,  ID_SETTINGS, ID_PLAY,    ID_SIGNUP};
  const int values[] = {1030, 1034, 1031, 1032, 1033, 1005, 1003, 1035};
  for (int i = 0; i < kControlCount; ++i) {
    EXPECT_EQ(kControls[i].id, ids[i]);
    EXPECT_EQ(kControls[i].id, values[i]);
  }
  EXPECT_STREQ(kControls[5].text, L"Configura\u00E7\u00F5es");
  EXPECT_STREQ(kControls[7].text, L"N\u00E3o tem conta? Criar conta");
}

TEST(Layout, LinkTargetsAndSitePrefix) {
  const std::wstring site = deployment::kSiteUrl;
  EXPECT_EQ(LinkTargetFor(ID_SITE), site);
  EXPECT_EQ(LinkTargetFor(ID_SIGNUP), site + L"/cadastro.html");
  EXPECT_EQ(LinkTargetFor(ID_UPDATES), site + L"/updates.html");
  EXPECT_EQ(LinkTargetFor(ID_FACEBOOK), deployment::kFacebookUrl);
  EXPECT_EQ(LinkTargetFor(ID_WHATSAPP), deployment::kWhatsAppUrl);
  EXPECT_EQ(LinkTargetFor(ID_DISCORD), deployment::kDiscordUrl);
  EXPECT_EQ(LinkTargetFor(ID_PLAY), L"");
  EXPECT_EQ(SitePrefix(), site + L"/");
}

// A news link from the unsigned feed as it reaches the shell; "" is a card that opens nothing.
TEST(Layout, OnlyWellFormedSiteLinksAreOpened) {
  const std::wstring site = deployment::kSiteUrl;
  const std::wstring refused;
  struct Case {
    std::wstring link, opened;
  } cases[] = {
      {site + L"/", site + L"/"},
      {site + L"/noticia/1", site + L"/noticia/1"},
      {site + L"/updates.html#fim", site + L"/updates.html#fim"},
      {site + L"/a-b._~/c:d@e/[f]?g=h&i=j+k;l=(m)*!$',#n",
       site + L"/a-b._~/c:d@e/[f]?g=h&i=j+k;l=(m)*!$',#n"},
      {site + L"/caf%C3%A9%20x%2fy", site + L"/caf%C3%A9%20x%2fy"},
      // Letters beyond ASCII go out as UTF-8 escapes.
      {site + L"/not\u00EDcias", site + L"/not%C3%ADcias"},
      {site + L"/atualiza\u00E7\u00E3o?p=\u00C9", site + L"/atualiza%C3%A7%C3%A3o?p=%C3%89"},
      {site + L"/\u0416/\u4E2D", site + L"/%D0%96/%E4%B8%AD"},
      // Not on the site.
      {L"", refused},
      {site, refused},
      {site + L"0/x", refused},  // more port digits
      {site + L"@evil.example/", refused},
      {site + L".evil.example/x", refused},
      {L"https://site.evil/", refused},
      {L"file:///C:/x.exe", refused},
      {L"javascript:alert(1)", refused},
      {L"javascript:", refused},
      {L"HTTP" + site.substr(4) + L"/", refused},
      // Characters that would reach the browser's command line.
      {site + L"/a b", refused},
      {site + L"/a\" --new-window file:///C:/x.exe", refused},
      {site + L"/a\\b", refused},
      {site + L"/<b>", refused},
      {site + L"/a^b", refused},
      {site + L"/a|b", refused},
      {site + L"/a`b", refused},
      {site + L"/{a}", refused},
      {site + L"/a\tb", refused},
      {site + L"/a\r\nb", refused},
      {site + L"/a\x7F", refused},
      {site + L"/a\x01", refused},
      {site + std::wstring(L"/a\0b", 4), refused},
      // Escapes that are not two hex digits.
      {site + L"/a%", refused},
      {site + L"/a%4", refused},
      {site + L"/a%4g", refused},
      {site + L"/a%G1", refused},
      {site + L"/a%%41", refused},
      // Not letters: spaces, controls, direction and zero-width marks, symbols, surrogates.
      {site + L"/a\u00A0b", refused},
      {site + L"/a\u0085b", refused},
      {site + L"/a\u3000b", refused},
      {site + L"/a\u202Eexe.jpg", refused},
      {site + L"/a\u200Bb", refused},
      {site + L"/a\uFEFFb", refused},
      {site + L"/a\uFFFDb", refused},
      {site + L"/a\uFF02b", refused},  // fullwidth quotation mark
      {site + L"/a\xD800" L"b", refused},
      {site + L"/a\xD83D\xDE00" L"b", refused},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SiteLinkToOpen(c.link), c.opened) << ts::Narrow(c.link);
  }
}

TEST(Layout, LinkTextSplit) {
  struct Case {
    const wchar_t* text;
    const wchar_t* prefix;
    const wchar_t* suffix;
  } cases[] = {
      {L"N\u00E3o tem conta? Criar conta", L"N\u00E3o tem conta? ", L"Criar conta"},
      {L"Sem pergunta", L"", L"Sem pergunta"},
      {L"   espacos", L"", L"espacos"},
      {L"A?B", L"A? ", L"B"},
      {L"Fim?", L"Fim? ", L""},
      {L"Um? Dois? Tres", L"Um? ", L"Dois? Tres"},  // split at the first mark only
      {L"", L"", L""},
  };
  for (const Case& c : cases) {
    std::wstring prefix = L"stale", suffix = L"stale";
    SplitLinkText(c.text, &prefix, &suffix);
    EXPECT_EQ(prefix, c.prefix) << ts::Narrow(c.text);
    EXPECT_EQ(suffix, c.suffix) << ts::Narrow(c.text);
  }
}

TEST(Layout, LightPath) {
  struct Case {
    float position;
    float x, y;
  } cases[] = {
      {0, 136.9f, 186},
      {1300.9f, 982.3f, 641.5f},      // head 1 at phase 0: the bottom-right corner
      {845.4f, 982.3f, 186},          // exactly the end of the top edge
      {845.4f + 100, 982.3f, 286},    // right edge going down
      {845.4f + 455.5f + 45.4f, 936.9f, 641.5f},  // bottom edge going left
      {2601.8f - 55.5f, 136.9f, 241.5f},          // left edge going up
      {2601.8f + 10, 146.9f, 186},    // wraps
      {-96, 136.9f, 282},             // negative: raised by the length (left edge, 96 up)
      {-2601.8f * 3 + 20, 156.9f, 186},
  };
  for (const Case& c : cases) {
    const DesignPoint p = LightPathPoint(c.position);
    EXPECT_NEAR(p.x, c.x, 0.02f) << c.position;
    EXPECT_NEAR(p.y, c.y, 0.02f) << c.position;
  }
  EXPECT_NEAR(LightHeadPosition(0, 1), 1300.9f, 0.01f);
  EXPECT_NEAR(LightHeadPosition(100, 0), 100, 0.01f);
}

TEST(Layout, LightTickInvalidatesBothTrailsOfEachHead) {
  // Head 0 on the top edge: samples old-96 .. new+4 span x 136.9+4 .. 136.9+308 (wrapped part
  // on the left edge), grown by 11.
  const float old = 400, now = old + kLightPhaseStep;
  const RECT r0 = LightTickRect(old, now, 0, 1.0f);
  EXPECT_EQ(r0.left, static_cast<int>(136.9f + 304 - 11));
  EXPECT_EQ(r0.right, static_cast<int>(136.9f + 408 + 11));
  EXPECT_EQ(r0.top, 175);
  EXPECT_EQ(r0.bottom, 197);
  EXPECT_LT(r0.right - r0.left, 131);
  // The trail of every glow drawn before and after the tick lies inside, with its radius.
  for (float phase : {old, now}) {
    for (int n = 0; n < kLightTrailGlows; ++n) {
      const DesignPoint p = LightPathPoint(phase - 4.0f * static_cast<float>(n));
      EXPECT_GE(p.x - 7.5f, r0.left);
      EXPECT_LE(p.x + 7.5f, r0.right);
      EXPECT_GE(p.y - 7.5f, r0.top);
      EXPECT_LE(p.y + 7.5f, r0.bottom);
    }
  }
  // Head 1 is half the path ahead, on the bottom edge; at 1.3 edges are converted to pixels.
  const RECT r1 = LightTickRect(old, now, 1, 1.3f);
  EXPECT_EQ(r1.top, DesignToPixel(static_cast<float>(static_cast<int>(641.5f - 11)), 1.3f));
  EXPECT_EQ(r1.bottom, DesignToPixel(static_cast<float>(static_cast<int>(641.5f + 11)), 1.3f));
  // Around a corner the box covers both edges.
  const RECT corner = LightTickRect(0, kLightPhaseStep, 0, 1.0f);
  EXPECT_EQ(corner.left, static_cast<int>(136.9f - 11));
  EXPECT_EQ(corner.top, 175);
  EXPECT_EQ(corner.bottom, static_cast<int>(186 + 96 + 11));
}

TEST(Layout, LightPhaseStaysWithinOneLapAndKeepsMoving) {
  EXPECT_FLOAT_EQ(NextLightPhase(0), kLightPhaseStep);
  EXPECT_FLOAT_EQ(NextLightPhase(kLightPathLength - kLightPhaseStep), 0);
  EXPECT_NEAR(NextLightPhase(kLightPathLength - 1), kLightPhaseStep - 1, 1e-3f);
  // Several laps: every tick moves one step along the path and stays below its length.
  float phase = 0;
  for (int tick = 0; tick < 2000; ++tick) {
    const float next = NextLightPhase(phase);
    ASSERT_GE(next, 0) << tick;
    ASSERT_LT(next, kLightPathLength) << tick;
    const float moved = next >= phase ? next - phase : next + kLightPathLength - phase;
    ASSERT_NEAR(moved, kLightPhaseStep, 1e-3f) << tick;
    phase = next;
  }
  // The tick that completes a lap invalidates the same span as one that did not wrap.
  const float old = kLightPathLength - 2;
  for (int head = 0; head < 2; ++head) {
    const RECT wrapped = LightTickRect(old, NextLightPhase(old), head, 1.0f);
    const RECT straight = LightTickRect(old, old + kLightPhaseStep, head, 1.0f);
    EXPECT_TRUE(EqualRect(&wrapped, &straight)) << head;
    EXPECT_LT(wrapped.left, wrapped.right) << head;
  }
}

TEST(Layout, ProgressReports) {
  struct Case {
    int phase;
    const wchar_t* text;
    int index, count;
    uint64_t received, total;
    bool bars;
    int totalPercent, filePercent;
    const wchar_t* status;
  } cases[] = {
      {3, L"Baixando", 3, 12, 655360, 2097152, true, 16, 31,
       L"Baixando arquivo 3/12 (640KB/2048KB)"},
      {3, L"x", 1, 4, 1023, 2048, true, 0, 49, L"Baixando arquivo 1/4 (0KB/2KB)"},
      {3, L"x", 1, 4, 500, 0, true, 0, 0, L"Baixando arquivo 1/4"},      // no length announced
      {3, L"Baixando...", 1, 0, 10, 10, false, 7, 8, L"Baixando..."},    // fileCount 0
      {3, L"x", 2, 2, 1, 1, true, 50, 100, L"Baixando arquivo 2/2 (0KB/0KB)"},
      {3, L"x", 100, 100, 0, 4096, true, 99, 0, L"Baixando arquivo 100/100 (0KB/4KB)"},
      {4, L"Atualizado.", 5, 5, 9, 9, false, 7, 8, L"Atualizado."},   // other phases: text only
      {0, L"Verificando...", 0, 0, 0, 0, false, 7, 8, L"Verificando..."},
  };
  for (const Case& c : cases) {
    updater::Progress p;
    p.phase = c.phase;
    p.text = c.text;
    p.fileIndex = c.index;
    p.fileCount = c.count;
    p.bytesReceived = c.received;
    p.bytesTotal = c.total;
    ProgressView view{L"old", 7, 8};
    EXPECT_EQ(ApplyProgressReport(p, &view), c.bars) << ts::Narrow(c.status);
    EXPECT_EQ(view.totalPercent, c.totalPercent) << ts::Narrow(c.status);
    EXPECT_EQ(view.filePercent, c.filePercent) << ts::Narrow(c.status);
    EXPECT_EQ(view.status, c.status);
  }
  // Large files: the kilobyte values are shifts of the 64-bit counts.
  EXPECT_EQ(DownloadStatusLine(1, 1, 5368709120ull, 6442450944ull),
            L"Baixando arquivo 1/1 (5242880KB/6291456KB)");
}

TEST(Layout, ProgressBarGeometry) {
  struct Case {
    int percent;
    int clamped;
    bool fill;
    float fillWidth, pillWidth;
    const wchar_t* label;
  } cases[] = {
      {0, 0, false, 0, 14, L"Total  0%"},
      {1, 1, true, 5.16f, 14, L"Total  1%"},  // short fill keeps a 14-unit pill
      {50, 50, true, 258, 258, L"Total  50%"},
      {100, 100, true, 516, 516, L"Total  100%"},
      {150, 100, true, 516, 516, L"Total  100%"},
      {-5, 0, false, 0, 14, L"Total  0%"},
  };
  for (const Case& c : cases) {
    const ProgressBarGeometry g = ComputeProgressBar(180, 528, 700, 546, c.percent, L"Total");
    EXPECT_EQ(g.percent, c.clamped) << c.percent;
    EXPECT_EQ(g.drawFill, c.fill) << c.percent;
    EXPECT_NEAR(g.fillWidth, c.fillWidth, 0.001f) << c.percent;
    EXPECT_NEAR(g.pillWidth, c.pillWidth, 0.001f) << c.percent;
    EXPECT_EQ(g.label, c.label);
    EXPECT_FLOAT_EQ(g.width, 520);
    EXPECT_FLOAT_EQ(g.radius, 9);
    EXPECT_FLOAT_EQ(g.innerHeight, 14);
    EXPECT_NEAR(g.glossHeight, 5.6f, 0.001f);
  }
}

TEST(Layout, LogoSettingsPanelAndWheel) {
  const DesignRectF logo = LogoRect(387, 247);
  EXPECT_NEAR(logo.width, 266.36f, 0.01f);
  EXPECT_NEAR(logo.x, 426.82f, 0.01f);
  EXPECT_FLOAT_EQ(logo.y, 4);
  EXPECT_FLOAT_EQ(logo.height, 170);

  EXPECT_EQ(SettingsPanelWidth(936), 720);
  EXPECT_EQ(SettingsPanelWidth(0), 720);
  EXPECT_EQ(SettingsPanelWidth(1300), 1000);
  struct Origin {
    float scale, x, y;
  } origins[] = {{1.3f, 316, 298}, {1.2f, 291, 276}, {1.1f, 267, 252}, {1.0f, 243, 230}};
  for (const Origin& o : origins) {
    float x = 0, y = 0;
    SettingsPanelOrigin(o.scale, 720, &x, &y);
    EXPECT_FLOAT_EQ(x, o.x) << o.scale;
    EXPECT_FLOAT_EQ(y, o.y) << o.scale;
  }

  struct Wheel {
    int current, delta, max, expected;
  } wheels[] = {
      {100, 120, 500, 52},   // a notch up scrolls 48 toward the top
      {100, -120, 500, 148},
      {100, 60, 500, 76},
      {100, 1, 500, 100},    // too small to move
      {10, 120, 500, 0},     // never above the top
      {480, -120, 500, 500}, // never past the end
      {0, -120, 0, 0},
  };
  for (const Wheel& w : wheels) {
    EXPECT_EQ(ScrolledNewsOffset(w.current, w.delta, w.max), w.expected) << w.delta;
  }
}

TEST(Layout, FramePiecesAtOrnamentScale) {
  const auto pieces = FramePanelPieces(130, 176, 860, 476, 0.6f);
  ASSERT_EQ(pieces.size(), 10u);
  // Corners are drawn last and measure 66 x 51.6; sides 15 wide, bars 21 high.
  for (size_t i = 6; i < 10; ++i) {
    EXPECT_NEAR(pieces[i].dw, 66, 0.001f);
    EXPECT_NEAR(pieces[i].dh, 51.6f, 0.001f);
    EXPECT_FLOAT_EQ(pieces[i].sw, 110);
    EXPECT_FLOAT_EQ(pieces[i].sh, 86);
  }
  EXPECT_NEAR(pieces[0].dw, 15, 0.001f);
  EXPECT_NEAR(pieces[4].dh, 21, 0.001f);
  // Top-left corner from the image itself; bottom-right from the 180-degree copy.
  EXPECT_EQ(pieces[6].source, 0);
  EXPECT_FLOAT_EQ(pieces[6].dx, 130);
  EXPECT_EQ(pieces[9].source, 3);
  EXPECT_NEAR(pieces[9].dx, 130 + 860 - 66, 0.001f);
  EXPECT_NEAR(pieces[9].dy, 176 + 476 - 51.6f, 0.001f);
  // The two halves of each bar meet at the middle and reach under the corners, the first
  // half a little under the second, so no hairline shows where they meet.
  EXPECT_NEAR(pieces[4].dx, 130 + 66 - kFrameOverlap, 0.001f);
  EXPECT_NEAR(pieces[4].dx + pieces[4].dw, 560 + kFrameOverlap, 0.001f);
  EXPECT_NEAR(pieces[5].dx, 560, 0.001f);
  EXPECT_NEAR(pieces[5].dx + pieces[5].dw, 130 + 860 - 66 + kFrameOverlap, 0.001f);
  EXPECT_NEAR(pieces[0].dy, 176 + 51.6f - kFrameOverlap, 0.001f);
  EXPECT_NEAR(pieces[0].dy + pieces[0].dh, 176 + 476 - 51.6f + kFrameOverlap, 0.001f);
  const DesignRectF fill = FramePanelFillRect(130, 176, 860, 476, 0.6f);
  EXPECT_NEAR(fill.x, 137.2f, 0.001f);
  EXPECT_NEAR(fill.height, 476 - 19.2f, 0.001f);
}

TEST(Layout, PaintAreaTouchesOnlyNearbyLayers) {
  struct Case {
    RECT pixels;
    float scale;
    bool touchesBars;
  } cases[] = {
      {{0, 0, 100, 100}, 1.3f, false},          // a lights box at the top-left corner
      {{234, 686, 240, 690}, 1.3f, true},       // inside the total bar at 1.3
      {{900, 680, 920, 700}, 1.3f, true},       // within the margin past the bar's right end
      {{930, 680, 940, 700}, 1.3f, false},      // beyond it
      {{180, 528, 181, 529}, 1.0f, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DesignBoxTouchesPixels(kTotalBarBox, 8, c.pixels, c.scale), c.touchesBars)
        << c.pixels.left << "," << c.pixels.top << " at " << c.scale;
  }
}
