# SPDX-License-Identifier: MIT
# webcheck.py: the site in headless Chromium, as scripts/webcheck.sh runs it
# (with Debian's python3, selenium and Pillow). Serves build-web/site on
# localhost and checks that every ?shot= still equals its golden frame
# pixel-doubled, that a normal load plays (music time and picture move on
# for ten seconds, nothing on the console), that pause holds the clock,
# that seeks land where --start lands, that the end offers a replay, and
# that a page without an audio worklet plays too. Prints what it measured
# and the differences, then one summary line; exits 1 on any difference.
#
#   python3 web/webcheck.py SITE GOLDEN-DIR
import base64
import functools
import http.server
import io
import os
import shutil
import sys
import tempfile
import threading
import time

from PIL import Image
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

PATTERN = 7.68  # seconds of music in a pattern
problems = []
figures = []


def problem(text):
    problems.append(text)
    print('DIFFERS: ' + text)


def serve(site):
    class quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), functools.partial(quiet, directory=site))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, 'http://127.0.0.1:%d/' % server.server_address[1]


def browser(profile, autoplay):
    o = webdriver.ChromeOptions()
    o.binary_location = '/usr/bin/chromium'
    # No outside network here: nothing in the background may try it.
    for a in ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
              '--disable-component-update', '--disable-sync', '--no-first-run',
              '--user-data-dir=' + profile, '--window-size=800,600', '--hide-scrollbars',
              '--force-device-scale-factor=1']:
        o.add_argument(a)
    if autoplay:
        o.add_argument('--autoplay-policy=no-user-gesture-required')
    o.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
    return webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=o)


def state(d):
    return d.execute_script('return window.tormel ? [tormel.state, tormel.t, tormel.frames] : ["none", 0, 0]')


def waitfor(d, states, seconds=10):
    end = time.time() + seconds
    while time.time() < end:
        s = state(d)
        if s[0] in states:
            return s
        if s[0] == 'error':
            break
        time.sleep(0.05)
    return state(d)


def consoleerrors(d, where):
    for e in d.get_log('browser'):
        if e['level'] == 'SEVERE':
            problem('%s: console: %s' % (where, e['message']))


def press(d, key):
    ActionChains(d).send_keys(key).perform()


# A checksum of the canvas as the page drew it.
PICTURE = '''const p = document.getElementById("screen").getContext("2d").getImageData(0, 0, 320, 240).data;
let h = 0; for (let i = 0; i < p.length; i++) h = Math.imul(h, 31) + p[i] | 0; return h;'''


def shots(d, url, golden):
    names = sorted(n[:-4] for n in os.listdir(golden) if n.startswith('fresh-') and n.endswith('.png'))
    same = 0
    for name in names:
        t = name[len('fresh-'):].lstrip('0') or '0'
        if t.startswith('.'):
            t = '0' + t
        d.get(url + '?shot=' + t)
        s = waitfor(d, ['done'])
        if s[0] != 'done':
            problem('?shot=%s: the page is "%s"' % (t, s[0]))
            continue
        png = d.execute_cdp_cmd('Page.captureScreenshot', {
            'format': 'png', 'clip': {'x': 0, 'y': 0, 'width': 640, 'height': 480, 'scale': 1}})['data']
        got = Image.open(io.BytesIO(base64.b64decode(png))).convert('RGB')
        want = Image.open(os.path.join(golden, name + '.png')).convert('RGB').resize((640, 480), Image.NEAREST)
        if got.size != want.size or got.tobytes() != want.tobytes():
            a, b = got.tobytes(), want.tobytes()
            n = sum(1 for i in range(0, min(len(a), len(b)), 3) if a[i:i + 3] != b[i:i + 3])
            problem('?shot=%s: %d of 307200 pixels differ from %s.png doubled' % (t, n, name))
        else:
            same += 1
        consoleerrors(d, '?shot=' + t)
    figures.append('%d of %d shots equal the golden frames' % (same, len(names)))


def play(d, url):
    d.get(url)
    s = waitfor(d, ['ready'])
    if s[0] != 'ready':
        return problem('a normal load does not get ready to play: "%s"' % s[0])
    first = d.execute_script('return tormel.firstframe')
    figures.append('first frame at %.0f ms' % first)
    press(d, Keys.SPACE)  # any key starts
    s = waitfor(d, ['playing'])
    if s[0] != 'playing':
        return problem('Space does not start the music: "%s"' % s[0])
    time.sleep(0.5)
    t0, f0, c0 = state(d)[1], state(d)[2], time.time()
    last, picture = t0, d.execute_script(PICTURE)
    for second in range(10):
        time.sleep(1)
        s = state(d)
        p = d.execute_script(PICTURE)
        if not s[1] > last:
            problem('the music time stands at %.4f after %d s of play' % (s[1], second + 1))
        if p == picture:
            problem('the picture stands still after %d s of play' % (second + 1))
        last, picture = s[1], p
    s, c1 = state(d), time.time()
    fps = (s[2] - f0) / (c1 - c0)
    rate = (s[1] - t0) * PATTERN / (c1 - c0)
    figures.extend(['%.1f frames a second' % fps, 'music at %.3f x real time' % rate])
    consoleerrors(d, 'play')

    # Pause holds the clock, and the music too: played on, it goes on from
    # where it stood, no further than the time since.
    press(d, Keys.SPACE)
    time.sleep(0.3)
    a = state(d)
    time.sleep(1)
    b = state(d)
    if a[0] != 'paused' or abs(b[1] - a[1]) * PATTERN >= 0.02:
        problem('pause: %s at %.4f, a second later %s at %.4f' % (a[0], a[1], b[0], b[1]))
    w0 = time.time()
    press(d, 'p')
    time.sleep(1)
    c = state(d)
    since = time.time() - w0
    if c[0] != 'playing' or not 0 < (c[1] - b[1]) * PATTERN <= since + 0.05:
        problem('P after a pause: %s, %.3f s of music on in %.3f s' % (c[0], (c[1] - b[1]) * PATTERN, since))

    # Seeks land as --start does: paused, the frame is the target's.
    press(d, Keys.SPACE)
    for key, want in [('4', 18.0), (Keys.ARROW_RIGHT, 19.0), (Keys.PAGE_DOWN, 23.0), (Keys.PAGE_UP, 19.0),
                      (Keys.ARROW_LEFT, 18.0), (Keys.HOME, 0.0), ('2', 6.0)]:
        press(d, key)
        time.sleep(0.1)
        s = state(d)
        if s[0] != 'paused' or s[1] != want:
            problem('seek while paused: %s at %.4f, not paused at %g' % (s[0], s[1], want))
    press(d, Keys.SPACE)
    time.sleep(1)
    s = state(d)
    if not 6.0 < s[1] < 6.5:
        problem('play after seeking to 6: at %.4f a second later' % s[1])

    # F: full screen, each frame pixel a whole square that fits the screen.
    press(d, 'f')
    time.sleep(0.5)
    full = d.execute_script('''const c = document.getElementById("screen").getBoundingClientRect();
        return [document.fullscreenElement !== null, c.width, c.height, innerWidth, innerHeight];''')
    n = full[1] / 320
    if not full[0] or n != int(n) or full[2] != n * 240 or full[1] > full[3] or full[2] > full[4] \
            or (n + 1) * 320 <= full[3] and (n + 1) * 240 <= full[4]:
        problem('F: full screen %s, the picture %g x %g on %d x %d' % tuple(full))
    press(d, Keys.ESCAPE)
    time.sleep(0.5)
    if d.execute_script('return document.fullscreenElement !== null') or state(d)[0] != 'playing':
        problem('Escape does not leave full screen, or stops the music')
    consoleerrors(d, 'keys')


def ending(d, url):
    # ?start takes the command line's times: 3:22.8 is 26.406 patterns, row 26 of order 26.
    d.get(url + '?start=3:22.8')
    s = waitfor(d, ['ready'])
    if s[1] != 26 + 26 / 64:
        problem('?start=3:22.8 shows %.5f first, not %.5f' % (s[1], 26 + 26 / 64))
    d.find_element('id', 'screen').click()
    s = waitfor(d, ['ended'], 5)
    shown = d.execute_script('return !document.getElementById("replay").hidden')
    if s[0] != 'ended' or s[1] < 26.5 or not shown:
        return problem('the end: %s at %.4f, replay button %s' % (s[0], s[1], 'shown' if shown else 'hidden'))
    d.find_element('id', 'replay').click()
    time.sleep(1)
    s = state(d)
    if s[0] != 'playing' or not 0 < s[1] < 0.5:
        problem('replay: %s at %.4f' % (s[0], s[1]))
    consoleerrors(d, 'end and replay')


def noworklet(d, url):
    # A page over plain http has no audio worklet: the mixer plays on the page.
    d.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {
        'source': 'delete BaseAudioContext.prototype.audioWorklet;'})
    d.get(url + '?start=12')
    waitfor(d, ['ready'])
    d.find_element('id', 'screen').click()
    waitfor(d, ['playing'])
    time.sleep(3)
    s = state(d)
    if s[0] != 'playing' or not 12.2 < s[1] < 12.6:
        problem('without an audio worklet: %s at %.4f after 3 s from 12' % (s[0], s[1]))
    consoleerrors(d, 'without an audio worklet')


def main():
    site, golden = sys.argv[1], sys.argv[2]
    server, url = serve(site)
    for run in (lambda d: shots(d, url, golden), lambda d: play(d, url), lambda d: ending(d, url),
                lambda d: noworklet(d, url)):
        profile = tempfile.mkdtemp(prefix='webcheck-')
        d = browser(profile, autoplay=True)
        try:
            run(d)
        finally:
            d.quit()
            shutil.rmtree(profile, ignore_errors=True)
    server.shutdown()
    verdict = '%d differences' % len(problems) if problems else 'play, pause, seeks, full screen, end, no worklet as expected'
    print('page: %s; %s' % (', '.join(figures), verdict))
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
