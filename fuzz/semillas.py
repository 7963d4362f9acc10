#!/usr/bin/env python3
"""Writes the seed corpora of fuzz/corpus/ from the test data and the test
transcripts, with small tables and books made by the tree's own tools.

    python3 fuzz/semillas.py BUILD_DIR [ECO_FILE]

BUILD_DIR holds zelmor-tb and zelmor-libro (the normal build); ECO_FILE is
Debian's scid.eco (scid-data), read for the PGN seeds and the books.
"""
import os, re, subprocess, sys, tempfile

R = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
C = R + '/fuzz/corpus/'
BUILD = os.path.abspath(sys.argv[1])
ECO = sys.argv[2] if len(sys.argv) > 2 else '/usr/share/scid/data/scid.eco'
TMP = tempfile.mkdtemp(prefix='zelmor-semillas-')
for d in ('semtb', 'semtbc', 'semlib', 'semlib2'):
    os.makedirs(TMP + '/' + d)
TRES = ['kqk', 'krk', 'kpk', 'kbk', 'knk']
subprocess.run([BUILD + '/zelmor-tb', 'generar', '--salida', TMP + '/semtb'] + TRES, check=True, capture_output=True)
subprocess.run([BUILD + '/zelmor-tb', 'generar', '--comprimir', '--salida', TMP + '/semtbc'] + TRES, check=True, capture_output=True)
eco_all = [l for l in open(ECO, encoding='latin-1') if l.strip() and not l.startswith('#')]
ruy = [l for l in eco_all if re.match(r'C[67][0-9]', l)][:45]
open(TMP + '/ruy.eco', 'w', encoding='latin-1').write(''.join(ruy))
ruy2 = []
dentro = False
for l in eco_all:
    if re.match(r'C[6-9][0-9]', l): dentro = True
    if l.startswith('D'): dentro = False
    if dentro: ruy2.append(l)
open(TMP + '/ruy2.eco', 'w', encoding='latin-1').write(''.join(ruy2[:200]))
subprocess.run([BUILD + '/zelmor-libro', 'crear', '--salida', TMP + '/semlib', TMP + '/ruy.eco'], check=True, capture_output=True)
subprocess.run([BUILD + '/zelmor-libro', 'crear', '--plies', '12', '--salida', TMP + '/semlib2', TMP + '/ruy2.eco'], check=True, capture_output=True)

def put(t, name, data):
    d=C+t; os.makedirs(d, exist_ok=True)
    if isinstance(data,str): data=data.encode('latin-1')
    open(d+'/'+name,'wb').write(data)
# fen: the EPD positions and the FENs of the set-up tests
fens=[]
for f in ['tests/data/perft.epd','tests/data/perft_trampas.epd']:
    for l in open(R+'/'+f):
        if l.strip(): fens.append(l.split(';')[0].strip())
src=open(R+'/tests/test_fen.cpp',encoding='latin-1').read()
for m in re.findall(r'"([^"\n]*/[^"\n]*)"', src):
    fens.append(m.encode('latin-1').decode('unicode_escape'))
seen=[]
for f in fens:
    if f not in seen: seen.append(f)
for i,f in enumerate(seen): put('fen','%02d'%i, f)
# xboard: sessions as the driver tests send them (after "protover 2")
xb = [
 "new\nforce\nusermove e2e4\nusermove e7e5\ngo\nping 1\n",
 "new\nsd 3\nusermove e2e4\nping 2\n",
 "ping 7\nfoo\n{ un comentario con protover 2 ping 9 }\n{sin espacio\nsn 4\n. random post ze_kib ze_nokib\nping 8\n",
 "usermove e2e5\nusermove e2e4\nusermove d2d4\nusermove e7e5\nusermove i2i4\nusermove a9a1\nusermove e2\nusermove g1f3q\nusermove zzzzzzzzzzzzzzzz\nusermove e1e2\nping 1\n",
 "force\nsetboard r3k2r/1P6/8/3pP3/8/8/8/R3K2R w KQkq d6 0 1\nusermove e5d6\nusermove e8d7\nusermove e1g1\nusermove d7c6\nusermove h1h2\nusermove f1f7\nping 2\n",
 "force\nsetboard r3k2r/1P6/8/8/8/8/8/R3K2R w KQkq - 0 1\nusermove b7a8n\nusermove e8d7\nusermove a8b7\nusermove a8b6\nping 4\n",
 "usermove e2e4\nsetboard 8/8/8/8 w\nsetboard\nusermove e7e5\nping 1\n",
 "undo\nremove\nusermove e2e4\nremove\nremove\nusermove e7e5\nusermove e2e4\nusermove e7e5\nundo\nusermove c7c5\nping 2\n",
 "setboard \t 4k3/8/8/8/8/8/8/4K2R b K - 0 1\nusermove e1g1\nusermove e8d8\nusermove e1g1\nping 3\n",
 "level 40 5 0\nlevel 0 0:30 5\nlevel 40 5:30 0\ntime 6000\notim 5000\nrating 2300 2100\nics -\ncomputer\nname Fulano de Tal\naccepted usermove\nrejected ics\nresult 1-0 {White mates}\nhard\neasy\nexit\nplayother\nforce\nping 5\n",
 "force\nst\nst -3\nst abc\n  st 1,5  \nsd 999\nsd -2\nst 1.5\nsd 0\nsd\nsd 12\npost\nnopost\nhint\nbk\nfoo\nping 9\n",
 "new\nhard\npost\nsd 2\ngo\nhint\nusermove g1f3\n?\nping 3\n",
 "analyze\nusermove e2e4\n.\nundo\nsetboard 8/8/8/4k3/8/8/1Q6/K7 w - - 0 1\n.\nexit\nping 4\n",
 "new\nlevel 40 0:10 0\ntime 1000\notim 1000\nusermove e2e4\nusermove d2d4\nresult 0-1\nnew\nquit\n",
 "setboard 8/P7/8/8/8/8/6k1/4K3 w - - 0 1\ngo\nforce\nusermove a7a8q\nremove\nundo\nbk\n",
 "new\nforce\nusermove f2f3\nusermove e7e5\nusermove g2g4\nusermove d8h4\ngo\nresult 0-1 {Black mates}\n",
 "setboard 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1\ngo\nping 1\n",
]
for i,t in enumerate(xb): put('xboard','%02d'%i, t)
uci = [
 "uci\nisready\nquit\n",
 "position startpos moves d2d4\ngo depth 2\nisready\n",
 "ucinewgame\nposition startpos moves e2e4 e7e5 g1f3\ngo depth 4\n",
 "position startpos moves e2e4 e2e4 d7d5\ngo depth 2\nposition startpos moves e2e4 e7e5x\nposition fen 8/8/8/8 w - - 0 1\ngo depth 1\nposition fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1 moves d1d9\n",
 "position fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1\ngo depth 3\nposition fen 7k/p7/6K1/8/8/8/8/1R6 b - - 0 1\ngo depth 4\n",
 "position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1\ngo depth 2\n",
 "position startpos\ngo movetime 300\nisready\ngo nodes 20000\n",
 "position startpos moves e2e4\ngo wtime 1000 btime 1000 winc 0 binc 0\n",
 "position startpos moves d2d4\ngo infinite\nisready\nstop\n",
 "position startpos moves e2e4 e7e5\ngo ponder wtime 5000 btime 5000\nponderhit\nposition startpos moves e2e4 e7e5 g1f3 b8c6\n",
 "setoption name Hash value 2\nsetoption name Ponder value true\nsetoption name OwnBook value false\nsetoption name Learning value 0\nsetoption name nalimovpath value <empty>\nsetoption name Foo value 1\nsetoption name\nsetoption name Hash value 9999\n",
 "go searchmoves e2e4 d2d4 depth 2\ngo mate 3\ngo depth\ngo wtime -100 btime 100 movestogo 3\ngo foo\ndebug on\nregister later\nponderhit\nstop\n",
 "position fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1 moves e1g1 e8c8\ngo depth 2\nposition fen rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1 moves d7d5 e4d5 c7c5 d5c6\ngo depth 1\n",
]
for i,t in enumerate(uci): put('uci','%02d'%i, t)
# the tablebase directory the UCI target writes at start-up
put('uci','tablas', "setoption name NalimovPath value /tmp/zelmor-fuzz-tb\nposition fen 8/8/8/4k3/8/8/1Q6/K7 w - - 0 1\ngo depth 3\nsetoption name NalimovCache value 2\nposition fen k7/8/1K6/8/8/8/8/2Q5 b - - 0 1\ngo\nsetoption name NalimovPath value <empty>\n")
pers = ["TABLA_HASH 8\r\n", "COMENTARIO APRENDER 0", "ICS\t\t1 NALIMOV_PATH d:\\tb\n\n  EGTB_CACHE_SIZE 16",
 "aprender 0 tabla_hash 2 APRENDERX 5 LIMITE_ACEPTACION -40", "NOTA SELECTIVIDAD_LIBRO 7",
 "AP_SEGUNDOS_MIN 12abc SELECTIVIDAD_LIBRO x LIMITE_ACEPTACION +7", "APRENDER", "LIBROB_FICH", "TABLA_HASH mucho",
 "LIBRON_FICH " + "b"*300 + " APRENDER 2", "EGTB_CACHE_SIZE 999999", "VAL_DAMA 900 LAZY 50 UMBRAL_FINAL 10",
 "TABLA_HASH 8\nICS 1\n", "APRENDER 3\x00TABLA_HASH 9", "TABLA_HASH 2 TABLA_HASH_PEONES 1 NALIMOV_PATH c:\\ajedrez\\tb LIBROB_FICH .\\Zelmor070B.libro LIBRON_FICH .\\Zelmor070N.libro APRENDER 3 AP_SEGUNDOS_MIN 10 SELECTIVIDAD_LIBRO 25 LIMITE_ACEPTACION -25 ICS 0\n"]
for i,t in enumerate(pers): put('personalidad','%02d'%i, t)
# tablas: [table (kqk krk kpk kbk knk = 0..4) | side << 3 | compressed << 4] [flags]
T=['kqk','krk','kpk','kbk','knk']
for i,n in enumerate(T):
    for lado,suf in ((0,'nbw'),(1,'nbb')):
        emd=open(TMP+'/semtbc/%s.%s.emd'%(n,suf),'rb').read()
        put('tablas','%s_%s_emd'%(n,suf), bytes([i|lado<<3|16, 2*3|16])+emd)
        plano=open(TMP+'/semtb/%s.%s'%(n,suf),'rb').read()
        # a plain file: its first 2 KB, repeated by the target to the table's length
        put('tablas','%s_%s_plano'%(n,suf), bytes([i|lado<<3, 2*1])+plano[:2048])
    if n in ('kqk','knk'):  # whole files of the right length
        put('tablas','%s_completo'%n, bytes([i, 1|2*7])+open(TMP+'/semtb/%s.nbw'%n,'rb').read())
# pgn: the reader test's PGN and ECO forms, a stretch of an ECO list, a game with every kind of move
put('pgn','00', "[Event \"Prueba \\\"uno\\\"\"]\n[Result \"1-0\"]\n\n1. e4 {a comment\n over two lines} e5 $1 2.Nf3 (2. f4 exf4 (2...d5) 3. Nf3) Nc6!? ; rest\n3. Bb5 a6 1-0\n\n% an escaped line\n[Event \"two\"]\n[FEN \"8/8/8/8/8/8/8/K6k w - - 0 1\"]\n1. Kb2 *\n[Event \"three\"]\n1. d4 d5 2. c4 1/2-1/2\n[Event \"no result\"]\n1. c4 e5\n[Event \"broken tag\n1... Nf6 0-1\n")
put('pgn','01', "# header comment\nA00b \"Barnes Opening\"  1.f3 *\nC42 \"Petrov: 3.Nxe5\"\n  1.e4 e5 2.Nf3 Nf6 3.Nxe5 *\n")
eco=eco_all
put('pgn','02', ''.join(eco[:40]))
i0=[k for k,l in enumerate(eco) if l.startswith('C60')][0]
put('pgn','03', ''.join(eco[i0:i0+60]))
put('pgn','04', "[Event \"x\"]\n[Result \"0-1\"]\n\n1. e4 d5 2. exd5 Qxd5 3. Nc3 Qa5 4. d4 c6 5. Nf3 Bf5 6. Bc4 e6 7. O-O Nf6 8. Re1 Be7 9. d5 cxd5 10. Bxd5 O-O 11. Bxb7 Nbd7 12. Bxa8 Rxa8 13. h3 Bxc2 14. Qxc2 Qxe1+ 15. Nxe1 a5 16. a4 h6 17. b4 axb4 18. a5 b3 19. a6 b2 20. a7 bxc1=Q 21. a8=N Qxa8 22. Qc8+ Bf8 23. Qxa8 Rxa8 0-1\n")
put('pgn','05', "[Event \"ep\"]\n1. e4 a6 2. e5 d5 3. exd6 e.p. cxd6 4. Ke2 Kd7 5. Kd3 Kc7 6. Kc4 Kb6 7. Kb4 Ka7 8. N1c3 Nc6+ 9. Ka3 Nb4 10. Kxb4 *\n")
# libro: [plies of the line e4 e5 Nf3 Nc6 Bb5 a6 Ba4 | flags] [White records] White file, Black file
for nombre, d, controles in (('ruy', TMP+'/semlib', (0, 3, 4|8, 5|16, 7|16|32)), ('ruy2', TMP+'/semlib2', (2, 4|8|16, 6|16|64))):
    b=open(d+'/Zelmor070B.libro','rb').read(); n=open(d+'/Zelmor070N.libro','rb').read()
    assert len(b)//16 <= 255
    for c in controles:
        put('libro','%s_%02d'%(nombre,c), bytes([c, len(b)//16])+b+n)
put('libro','vacio', bytes([0,0]))
put('libro','cola', bytes([1,1])+open(TMP+'/semlib/Zelmor070B.libro','rb').read()[:16]+b'\x01\x02\x03')

subprocess.run(['rm', '-rf', TMP])
