# One-line faults the suite must catch; tests/mutants/run.sh applies them one
# at a time. Each line: m ID FILE TARGETS CTEST-ARGS SED
#   FILE        the source file the fault goes into
#   TARGETS     the test targets to rebuild (comma-separated)
#   CTEST-ARGS  which tests to run (ctest arguments)
#   SED         one sed script that changes one line of FILE
# Anchor each fault on text that says what the line does, not on a name that
# may change; a fault that no longer applies is reported as "stale".

# ---- core: operation order, bounds, rounding, refusals, budget, repeats
m core-round-half-even   src/core/numeric.cpp      core_tests "-L core" 's/if (diff > 0.5 ||/if (diff >= 0.5 ||/'
m core-r-bound           src/core/studies.cpp      core_tests "-L core" 's/if (count > 29)/if (count > 30)/'
m core-k-refusal         src/core/studies.cpp      core_tests "-L core" 's/if (k.value < 1)/if (k.value < 0.5)/'
m core-nn-bound          src/core/studies.cpp      core_tests "-L core" 's/level > 32766)/level > 32767)/'
m core-budget-needed     src/core/memory_budget.cpp core_tests "-L core" 's/if (held + needed <= allowed)/if (held <= allowed)/'
m core-repeat-shortcut   src/core/level_loop.h     core_tests "-L core" 's/newestInvariant \&\& repeats >= depth/newestInvariant \&\& repeats + 1 >= depth/'
m core-lambda-order      src/core/schemes.cpp      core_tests "-L core" 's|(s.Tau \* s.a) / (s.h \* s.h)|s.Tau * (s.a / (s.h * s.h))|'
m core-diagonal-order    src/core/schemes.cpp      core_tests "-L core" 's|1 - (s.Lambda \* 2))|(1 - s.Lambda) - s.Lambda)|'
m core-norm-order        src/core/studies.cpp      core_tests "-L core" 's|std::sqrt(entry \* s.h)|std::sqrt(entry) * std::sqrt(s.h)|'
m core-exact-order       src/core/exact.cpp        core_tests "-L core" 's|std::cos(s.w \* s.T + s.phi) \* (s.d \* sinPiX(s, i))|(std::cos(s.w * s.T + s.phi) * s.d) * sinPiX(s, i)|'
m core-source-order      src/core/schemes.cpp      core_tests "-L core" 's|s.FF \* (s.Tau / (s.Alpha + 1))|(s.FF * s.Tau) / (s.Alpha + 1)|'
m core-d-exponent        src/core/numeric.cpp      core_tests "-L core" "s/c == 'D' || c == 'd'/c == 'd'/"
m core-refusal-text      src/core/failure.cpp      core_tests "-L core" 's/"Saisie incomplète !")/"Saisie incomplète.")/'
m core-fit-two-points    src/core/journal.cpp      core_tests "-L core" 's/if (xs.size() < 2) return fit;/if (xs.size() < 3) return fit;/'
m core-first-rows-finite src/core/level_loop.h     core_tests "-L core" 's/if (!finiteColumns(sol.row(m), last)) {/if (false \&\& !finiteColumns(sol.row(m), last)) {/'
m core-error-digits      src/core/studies.cpp      core_tests "-L core" 's/s.LineText = name + " = " + formatFixed(error, 10, mark)/s.LineText = name + " = " + formatFixed(error, 9, mark)/'

# ---- windows and ui: captions, colours, tab order, lines, keys, scales, exports
m ui-pdf-page-third      src/ui/export_image.cpp   test_export "-R ^test_export$" 's/QSizeF(size) \* 0.75, QPageSize/QSizeF(size) * 1.0, QPageSize/'
m ui-csv-header          src/ui/export_csv.cpp     test_export "-R ^test_export$" 's/out.text(std::string_view("n"));/out.text(std::string_view("N"));/'
m ui-csv-quote           src/ui/export_csv.cpp     test_export "-R ^test_export$" 's/find_first_of(",\\"\\r\\n")/find_first_of(",\\r\\n")/'
m ui-write-failure       src/ui/export_csv.cpp     test_export "-R ^test_export$" 's/if (n <= 0) return false;/if (n <= 0) break;/'
m graph-legend-below     src/stability/graph_window.cpp test_graph_window "-R ^test_graph_window$" 's/(g_.OriginY - uM) - th)/(g_.OriginY + 0 * uM) + th)/'
m graph-legend-colour    src/stability/graph_window.cpp test_graph_window "-R ^test_graph_window$" '/::drawLegend(/,/^}/s/setForeColor(ui::colour::red)/setForeColor(ui::colour::blue)/'
m graph-scale            src/stability/graph_window.cpp test_graph_window "-R ^test_graph_window$" 's/uRange \* 1.2;/uRange * 1.25;/'
m stab-tab-order         src/stability/stability_window.cpp test_desktop "-R ^test_desktop$" 's/{CmdCalculs, Cmdgraphique, CmdQuitter/{Cmdgraphique, CmdCalculs, CmdQuitter/'
m stab-caption           src/stability/stability_window.cpp test_stability_window "-R ^test_stability_window$" 's|"Tau = T/K ="), {138|"Tau = K/T ="), {138|'
m stab-line-format       src/core/studies.cpp      test_stability_window "-R ^test_stability_window$" 's/return "n= " + formatPlain/return "n = " + formatPlain/'
m long-run-other-window  src/shell/long_run.cpp    test_consistency_window "-R ^test_consistency_window$" '/case QEvent::KeyPress:/{n;s/if (insideWindow(watched))/if (watched)/}'
m long-run-key-passes    src/shell/long_run.cpp    test_consistency_window "-R ^test_consistency_window$" '/case QEvent::KeyPress:/,/break;/s/return true;/return false;/'
m cons-pi-from-three     src/consistency/consistency_window.cpp test_consistency_window "-R ^test_consistency_window$" 's/setEnabled((timeR ? s.R : s.S) >= 2)/setEnabled((timeR ? s.R : s.S - 1) >= 2)/'
m guide-essayer-appends  src/guide/guide_window.cpp test_guide "-R ^test_guide$" 's/field->setText(text);/field->setText(field->text() + text);/'
m guide-link-target      src/guide/guide.html      test_guide "-R ^test_guide$" 's/href="essayer:stabp0"/href="essayer:stabpeps"/'
m evol-slider-bound      src/visualisation/evolution_window.cpp test_evolution_window "-R ^test_evolution_window$" 's/slider_->setRange(0, last);/slider_->setRange(0, last - 1);/'
m conv-fit-line          src/visualisation/convergence_window.cpp test_convergence_window "-R ^test_convergence_window$" 's/drawSlope(f.slope, my, QPen(kFit, 0));/drawSlope(f.slope, my + 0.5, QPen(kFit, 0));/'

# ---- every window: dark palette, keyboard, captions and frames at each scale
m desk-contrast-floor    src/ui/colours.cpp        test_desktop "-R ^test_desktop$" 's/kMinimumContrast = 4.5;/kMinimumContrast = 3.0;/'
m desk-dark-towards      src/ui/colours.cpp        test_desktop "-R ^test_desktop$" 's/luminance(background) < 0.18 ? colour::white : colour::black/luminance(background) < 0.18 ? colour::black : colour::white/'
m desk-follow-switch     src/ui/colours.cpp        test_desktop "-R ^test_desktop$" 's/if (event->type() == QEvent::PaletteChange ||/if (event->type() == QEvent::None ||/'
m desk-guide-switch      src/guide/guide_window.cpp test_desktop "-R ^test_desktop$" 's/if (event->type() == QEvent::PaletteChange) showText();/if (event->type() == QEvent::None) showText();/'
m desk-menubar-switch    src/shell/form1.cpp       test_desktop "-R ^test_desktop$" 's/if (event->type() == QEvent::PaletteChange) {/if (event->type() == QEvent::None) {/'
m desk-shift-f10         src/ui/keyboard.cpp       test_desktop "-R ^test_desktop$" 's/key->modifiers() == Qt::ShiftModifier;/key->modifiers() == Qt::ControlModifier;/'
m desk-menu-key          src/ui/keyboard.cpp       test_desktop "-R ^test_desktop$" 's/key->key() == Qt::Key_Menu \&\&/key->key() == Qt::Key_Meta \&\&/'
m desk-focus-mark        src/ui/keyboard.cpp       test_desktop "-R ^test_desktop$" 's/QPen(shade(colour::black, background), 1/QPen(shade(background, background), 1/'
m desk-drawing-by-tab    src/ui/keyboard.cpp       test_desktop "-R ^test_desktop$" 's/drawing->setFocusPolicy(Qt::TabFocus);/drawing->setFocusPolicy(Qt::ClickFocus);/'
m desk-graph-tab         src/stability/graph_window.cpp test_desktop "-R ^test_desktop$" 's/setTabOrder(CmdQuitter, PB1);/setTabOrder(PB1, CmdQuitter);/'
m desk-consist-tab       src/consistency/consistency_window.cpp test_desktop "-R ^test_desktop$" 's/study_.TxtD, study_.TxtW, study_.TxtPhi}/study_.TxtW, study_.TxtD, study_.TxtPhi}/'
m desk-slider-space      src/visualisation/evolution_window.cpp test_desktop "-R ^test_desktop$" 's/event->key() == Qt::Key_Space \&\&/event->key() == Qt::Key_Return \&\&/'
m desk-mnemonic          src/shell/form1.cpp       test_desktop "-R ^test_desktop$" 's/addItem(stab, "mnupepsilon", QStringLiteral("Schéma P&epsilon")/addItem(stab, "mnupepsilon", QStringLiteral("Schéma \&Pepsilon")/'
m desk-form1-caption     src/shell/form1.cpp       test_desktop "-R ^test_desktop$" 's/{29, 84, 160, 20}/{29, 84, 80, 20}/'
