# The two forms of the GNOME Shell extension, made from one source
# (extension.js.in, metadata.json.in) into OUTPUT/legacy and OUTPUT/modules:
# GNOME 40 to 44 load the "imports" form, GNOME 45 and later ES modules only.
function(vornel_gnome_shell_forms source output)
    set(FORM_DESCRIPTION "GNOME 40 to 44 (the \"imports\" form)")
    set(IMPORTS "/* exported init */\nconst {Gio, GLib, Meta} = imports.gi;\n")
    set(ENTRY_POINT "function init() {\n    return new WindowFeed();\n}")
    set(SHELL_VERSIONS "\"40\", \"41\", \"42\", \"43\", \"44\"")
    configure_file(${source}/extension.js.in ${output}/legacy/extension.js @ONLY)
    configure_file(${source}/metadata.json.in ${output}/legacy/metadata.json @ONLY)

    set(FORM_DESCRIPTION "GNOME 45 and later (ES modules)")
    set(IMPORTS "import Gio from 'gi://Gio';\nimport GLib from 'gi://GLib';\nimport Meta from 'gi://Meta';\nimport {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';\n")
    set(ENTRY_POINT "export default class VornelWindows extends Extension {\n    enable() {\n        this._feed = new WindowFeed();\n        this._feed.enable();\n    }\n\n    disable() {\n        this._feed.disable();\n        this._feed = null;\n    }\n}")
    set(SHELL_VERSIONS "\"45\", \"46\", \"47\", \"48\", \"49\"")
    configure_file(${source}/extension.js.in ${output}/modules/extension.js @ONLY)
    configure_file(${source}/metadata.json.in ${output}/modules/metadata.json @ONLY)
endfunction()
