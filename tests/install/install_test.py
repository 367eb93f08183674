"""An installed Brindle works from its prefix: cmake --install into a temporary
prefix, then the programs run from there, find their installed tables, open a
.dbf given on the command line and take one handed over by a later start; the
menu entry and the AppStream file pass the desktop's validators, and the MIME
cache offers Brindle for .dbf files.

Usage: install_test.py BUILD_DIR VERSION_TEXT
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse

BUILD, VERSION = sys.argv[1], sys.argv[2]
APP_ID = 'org.brindle.Brindle'


def run(args, **kw):
    return subprocess.run(args, capture_output=True, text=True, timeout=120, **kw)


class InstalledBrindle(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.prefix = os.path.join(cls.tmp.name, 'prefix with space')
        r = run(['cmake', '--install', BUILD, '--prefix', cls.prefix])
        if r.returncode != 0:
            raise AssertionError('cmake --install failed:\n' + r.stdout + r.stderr)
        cls.bin = os.path.join(cls.prefix, 'bin')
        cls.share = os.path.join(cls.prefix, 'share')

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def env(self, home):
        e = dict(os.environ)
        e.pop('BRINDLE_HOME', None)
        e.update(HOME=home, XDG_DATA_HOME=os.path.join(home, '.local', 'share'), QT_QPA_PLATFORM='offscreen',
                 XDG_RUNTIME_DIR=os.path.join(home, 'run'))
        os.makedirs(e['XDG_RUNTIME_DIR'], mode=0o700, exist_ok=True)
        return e

    def test_files_land_in_the_usual_places(self):
        for rel in ['bin/brindle', 'bin/brindle-db', 'share/brindle/sysdata/LBLTPL.DBF', 'share/brindle/sysdata/CSZ.DBF',
                    'share/brindle/help/index.txt', 'share/brindle/help/0.html',
                    f'share/applications/{APP_ID}.desktop', f'share/metainfo/{APP_ID}.metainfo.xml',
                    f'share/icons/hicolor/scalable/apps/{APP_ID}.svg',
                    f'share/icons/hicolor/48x48/apps/{APP_ID}.png', f'share/icons/hicolor/256x256/apps/{APP_ID}.png']:
            self.assertTrue(os.path.isfile(os.path.join(self.prefix, rel)), rel)
        with open(os.path.join(self.share, f'icons/hicolor/48x48/apps/{APP_ID}.png'), 'rb') as f:
            png = f.read()
        self.assertEqual(png[:8], b'\x89PNG\r\n\x1a\n')
        self.assertEqual(int.from_bytes(png[16:20], 'big'), 48)  # IHDR width

    def test_desktop_entry_metadata_and_mime_association(self):
        desktop = os.path.join(self.share, 'applications', f'{APP_ID}.desktop')
        r = run(['desktop-file-validate', desktop])
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertEqual(r.stdout.strip(), '', r.stdout)
        with open(desktop, encoding='utf-8') as f:
            entry = f.read()
        self.assertIn('MimeType=application/x-dbf;', entry)
        self.assertIn(f'Icon={APP_ID}', entry)
        r = run(['appstreamcli', 'validate', '--no-net', os.path.join(self.share, 'metainfo', f'{APP_ID}.metainfo.xml')])
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        with open(os.path.join(self.share, 'metainfo', f'{APP_ID}.metainfo.xml'), encoding='utf-8') as f:
            self.assertIn(f'version="{VERSION}"', f.read())
        # What tools/install runs: the MIME cache then names Brindle for .dbf files.
        r = run(['update-desktop-database', os.path.join(self.share, 'applications')])
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(os.path.join(self.share, 'applications', 'mimeinfo.cache'), encoding='utf-8') as f:
            self.assertIn(f'application/x-dbf={APP_ID}.desktop;', f.read())

    def test_versions_agree(self):
        r = run([os.path.join(self.bin, 'brindle-db'), '--version'])
        self.assertEqual((r.returncode, r.stdout), (0, f'brindle-db {VERSION}\n'))
        r = run([os.path.join(self.bin, 'brindle'), '--version'], env={'PATH': os.environ.get('PATH', '')})
        self.assertEqual((r.returncode, r.stdout), (0, f'Brindle {VERSION}\n'), r.stderr)

    def held_by_brindle(self, path, env):
        """Whether a running Brindle holds the file open (an exclusive reindex is refused)."""
        r = run([os.path.join(self.bin, 'brindle-db'), 'reindex', path], env=env)
        return r.returncode == 2 and 'in use by brindle' in r.stderr

    def wait_held(self, path, env, seconds=30):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if self.held_by_brindle(path, env):
                return True
            time.sleep(0.3)
        return False

    def test_program_runs_from_the_prefix_and_opens_files_given_to_it(self):
        home = os.path.join(self.tmp.name, 'home')
        env = self.env(home)
        files = os.path.join(home, 'Adressen Müller')
        os.makedirs(files)
        first = os.path.join(files, 'erste Liste.dbf')
        second = os.path.join(files, 'Почта.dbf')
        for path, n in ((first, 30), (second, 20)):
            r = run([os.path.join(self.bin, 'brindle-db'), 'sample', path, '--records', str(n)], env=env)
            self.assertEqual(r.returncode, 0, r.stderr)
        root = os.path.join(home, '.local', 'share', 'brindle')
        os.makedirs(root)
        with open(os.path.join(root, 'BRINDL.ini'), 'w', newline='') as f:
            f.write('[Misc]\r\nGettingStarted=1\r\n')  # no Getting Started window over the test
        program = subprocess.Popen([os.path.join(self.bin, 'brindle'), first], env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            self.assertTrue(self.wait_held(first, env), 'the program never opened the file it was given')
            # Its tables came from the installed share folder.
            self.assertTrue(os.path.isfile(os.path.join(root, 'sysdata', 'LBLTPL.DBF')))
            self.assertTrue(os.path.isfile(os.path.join(root, 'help', 'index.txt')))
            self.assertFalse(self.held_by_brindle(second, env))
            # A later start (as a file manager makes it, with a file:// address)
            # hands its file to the running program and ends.
            url = 'file://' + urllib.parse.quote(second)
            r = run([os.path.join(self.bin, 'brindle'), url], env=env)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertIsNone(program.poll())
            self.assertTrue(self.wait_held(second, env), 'the running program never opened the handed-over file')
        finally:
            program.terminate()
            try:
                program.wait(timeout=10)
            except subprocess.TimeoutExpired:
                program.kill()
                program.wait()


if __name__ == '__main__':
    unittest.main(argv=[sys.argv[0]], verbosity=2)
