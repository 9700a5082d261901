# Draws the tool bar pictures (16 x 16, 32-bit with alpha) into .ico files.
# Run from this folder: python3 make-icons.py
import struct, math
W=H=16
def blank(): return [[(0,0,0,0) for _ in range(W)] for _ in range(H)]
def rect(img,x0,y0,x1,y1,c):
    for y in range(y0,y1+1):
        for x in range(x0,x1+1): img[y][x]=c
def outline(img,x0,y0,x1,y1,c):
    for x in range(x0,x1+1): img[y0][x]=c; img[y1][x]=c
    for y in range(y0,y1+1): img[y][x0]=c; img[y][x1]=c
K=(60,60,60,255); WHT=(255,255,255,255)
def new():
    i=blank(); rect(i,3,1,12,14,WHT); outline(i,3,1,12,14,K)
    for k in range(4): i[1+k][9+k]=K
    for y in range(1,5):
        for x in range(9+y,13): i[y][x]=(0,0,0,0)
    for y,x in [(1,9),(2,10),(3,11),(4,12)]: i[y][x]=K
    for x in range(9,13): pass
    for y in range(1,5): i[y][9]=K
    for x in range(9,13): i[4][x]=K
    for y in (7,9,11): rect(i,5,y,10,y,(150,150,150,255))
    return i
def open_():
    i=blank(); Y=(240,200,60,255); D=(180,130,20,255)
    rect(i,1,3,6,4,Y); rect(i,1,5,14,13,Y); outline(i,1,5,14,13,D); outline(i,1,3,6,5,D)
    rect(i,3,8,15,13,(250,220,110,255)); outline(i,3,8,15,13,D)
    return i
def save():
    i=blank(); B=(40,90,180,255); rect(i,1,1,14,14,B); outline(i,1,1,14,14,(20,40,100,255))
    rect(i,4,2,11,6,WHT); rect(i,4,9,11,14,(200,200,200,255)); rect(i,9,3,10,5,B)
    return i
def build():
    i=blank(); Bn=(190,140,80,255); D=(110,70,30,255)
    rect(i,2,5,13,14,Bn); outline(i,2,5,13,14,D); rect(i,2,5,13,7,(220,175,110,255)); outline(i,2,5,13,7,D)
    rect(i,7,1,8,5,(40,150,40,255)); 
    for k in range(3): rect(i,5+k,3+k,10-k,3+k,(40,150,40,255))
    rect(i,6,9,9,10,D)
    return i
def circle(i,c,fill,edge):
    cx=cy=7.5
    for y in range(H):
        for x in range(W):
            d=math.hypot(x-cx,y-cy)
            if d<=7: i[y][x]=fill
            if 6<=d<=7.2: i[y][x]=edge
def web():
    i=blank(); circle(i,0,(70,140,220,255),(20,60,140,255))
    G=(60,170,70,255)
    for (x,y) in [(5,4),(6,4),(4,5),(5,5),(6,5),(7,5),(5,6),(6,6),(9,8),(10,8),(9,9),(10,9),(11,9),(10,10),(6,11),(7,11)]: i[y][x]=G
    for x in range(1,15): 
        if i[7][x][3]: i[7][x]=(180,210,250,255)
    return i
def help_():
    i=blank(); circle(i,0,(40,100,200,255),(20,50,120,255))
    q=["0111110","1100011","0000011","0000110","0001100","0001100","0000000","0001100"]
    for r,row in enumerate(q):
        for c,ch in enumerate(row):
            if ch=='1': i[3+r][4+c]=WHT
    return i
def scale(img,k):
    return [[img[y//k][x//k] for x in range(W*k)] for y in range(H*k)]
def dib(img):
    h=len(img); w=len(img[0])
    xor=b''
    for y in range(h-1,-1,-1):
        for x in range(w):
            r,g,b,a=img[y][x]; xor+=bytes([b,g,r,a])
    stride=((w+31)//32)*4
    andm=b''
    for y in range(h-1,-1,-1):
        row=bytearray(stride)
        for x in range(w):
            if img[y][x][3]==0: row[x//8]|=0x80>>(x%8)
        andm+=bytes(row)
    return struct.pack('<IiiHHIIiiII',40,w,h*2,1,32,0,len(xor)+len(andm),0,0,0,0)+xor+andm
def multi_ico(imgs,path):
    datas=[dib(i) for i in imgs]
    out=struct.pack('<HHH',0,1,len(imgs)); off=6+16*len(imgs)
    for i,d in zip(imgs,datas):
        out+=struct.pack('<BBBBHHII',len(i[0])%256,len(i)%256,0,0,1,32,len(d),off); off+=len(d)
    open(path,'wb').write(out+b''.join(datas))
def project():
    i=new()
    for y in range(7,12): rect(i,5,y,10,y,WHT)
    rect(i,6,8,11,13,(190,140,80,255)); outline(i,6,8,11,13,(110,70,30,255)); rect(i,6,8,11,9,(220,175,110,255)); outline(i,6,8,11,9,(110,70,30,255))
    return i
def ico(img,path):
    xor=b''
    for y in range(H-1,-1,-1):
        for x in range(W):
            r,g,b,a=img[y][x]; xor+=bytes([b,g,r,a])
    andm=b''
    for y in range(H-1,-1,-1):
        bits=0
        for x in range(W):
            if img[y][x][3]==0: bits|=1<<(15-x)
        andm+=struct.pack('>H',bits)+b'\0\0'
    hdr=struct.pack('<IiiHHIIiiII',40,W,H*2,1,32,0,len(xor)+len(andm),0,0,0,0)
    data=hdr+xor+andm
    f=struct.pack('<HHH',0,1,1)+struct.pack('<BBBBHHII',W,H,0,0,1,32,len(data),22)+data
    open(path,'wb').write(f)
for n,f in [('New',new),('Open',open_),('Save',save),('Build',build),('WebSite',web),('Help',help_)]:
    ico(f(),n+'.ico')
# The program's and the project file's icons, 16 and 32 pixels.
for n,f in [('../Program',build),('../Project',project)]:
    multi_ico([f(),scale(f(),2)],n+'.ico')
