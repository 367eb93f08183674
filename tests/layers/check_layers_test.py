"""The layer check finds what it must and nothing else, on small trees of its own."""
import os
import subprocess
import sys
import tempfile
import textwrap
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tools', 'check-layers')

LAYERS = """\
# comment
layer store
layer common data
layer common/ui
layer address feature other
layer app
module QtWidgets: */ui app
module QtDBus: feature
without common: QtWidgets
allow address -> feature: the fixture's one known use
internal store: File.h
"""


def write(root, path, text):
    full = os.path.join(root, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, 'w', encoding='utf-8') as f:
        f.write(textwrap.dedent(text))


class CheckLayers(unittest.TestCase):
    def run_check(self, files, links=None):
        with tempfile.TemporaryDirectory() as root:
            write(root, 'layers.txt', LAYERS)
            # A stand-in Qt: QAction is in QtGui and also has a compatibility
            # header in QtWidgets, so it must not count as a widget header.
            for header in ('QtCore/QString', 'QtGui/QAction', 'QtWidgets/QWidget', 'QtWidgets/QAction',
                           'QtDBus/QDBusMessage'):
                write(root, 'qt/' + header, '')
            for path, text in files.items():
                write(root, path, text)
            args = [sys.executable, CHECK, '--root', root, '--layers', os.path.join(root, 'layers.txt'),
                    '--qt-headers', os.path.join(root, 'qt')]
            if links is not None:
                write(root, 'links.txt', links)
                args += ['--links', os.path.join(root, 'links.txt')]
            result = subprocess.run(args, capture_output=True, text=True)
            problems = [l for l in result.stdout.splitlines()
                        if not l.startswith('Layers:') and 'use(s) against' not in l]
            return result.returncode, problems

    def test_clean_tree_passes(self):
        code, problems = self.run_check({
            'src/store/Table.cpp': '#include "store/Table.h"\n#include "store/File.h"\n#include <vector>\n',
            'src/common/Common.cpp': '#include "store/Table.h"\n#include <QString>\n#include <QAction>\n',
            'src/common/ui/Box.cpp': '#include <QWidget>\n#include "common/Common.h"\n',
            'src/address/File.cpp': '#include "common/Common.h"\n#include "feature/Allowed.h"\n',
            'src/feature/Call.cpp': '#include <QDBusMessage>\n#include "Local.h"\n',
            'src/app/main.cpp': '#include "common/ui/Box.h"\n#include <QtWidgets/QWidget>\n',
            'data/mk.cpp': '#include "store/Table.h"\n',
        })
        self.assertEqual(problems, [])
        self.assertEqual(code, 0)

    def test_each_kind_of_include_against_the_order_is_named_with_file_and_line(self):
        code, problems = self.run_check({
            'src/common/Up.cpp': '#include "store/Table.h"\n#include "address/File.h"\n#include "store/File.h"\n',
            'src/common/Window.cpp': '#include "common/ui/Box.h"\n',
            'src/common/Widget.cpp': '  #  include <QWidget>\n#include <QtWidgets/QLabel>\n',
            'src/other/Side.cpp': '#include "feature/Call.h"\n',
            'src/address/Bus.cpp': '#include <QtDBus/QDBusMessage>\n',
            'src/stray/X.cpp': '',
            'data/mk.cpp': '#include "common/Common.h"\n',
        })
        self.assertEqual(code, 1)
        self.assertEqual(len(problems), 9, problems)
        expected = [
            ('data/mk.cpp:1:', 'neighbours on one layer'),
            ('src/address/Bus.cpp:1:', 'QtDBus'),
            ('src/common/Up.cpp:2:', 'address is a higher layer than common'),
            ('src/common/Up.cpp:3:', 'internal header of store'),
            ('src/common/Widget.cpp:1:', 'QtWidgets'),
            ('src/common/Widget.cpp:2:', 'QtWidgets'),
            ('src/common/Window.cpp:1:', 'logic never uses windows'),
            ('src/other/Side.cpp:1:', 'neighbours on one layer'),
            ('src/stray/X.cpp:', 'no place'),
        ]
        for (where, what), line in zip(expected, sorted(problems)):
            self.assertTrue(line.startswith(where) and what in line, (where, what, line))

    def test_links_follow_the_order_and_forbidden_modules_are_found_through_other_targets(self):
        links = textwrap.dedent("""\
            brindle_store|store|
            brindle_common|common|brindle_store;$<LINK_ONLY:brindle_helper>
            brindle_helper|store|Qt6::Widgets
            brindle_common_ui|common/ui|brindle_common;Qt6::Widgets
            brindle_address|address|brindle_common;brindle_feature
            brindle_feature|feature|brindle_common_ui;Qt6::DBus
            brindle_other|other|brindle_address
            brindle-tool|app|brindle_common_ui
            """)
        code, problems = self.run_check({'src/store/Table.cpp': ''}, links)
        self.assertEqual(code, 1)
        self.assertEqual(sorted(problems), sorted([
            'target brindle_helper (store) links Qt6::Widgets, which only */ui app may link',
            'target brindle_feature (feature) links brindle_common_ui: logic never uses windows (common/ui)',
            'target brindle_other (other) links brindle_address: address and other are neighbours on one '
            'layer and never use each other',
            'target brindle_common (common) reaches QtWidgets: brindle_common -> brindle_helper -> Qt6::Widgets',
        ]))


if __name__ == '__main__':
    unittest.main()
