#!/usr/bin/env python3
# Lists the routines of a source tree longer than a number of lines, longest first.
#   long-routines.py LINES DIR      e.g. long-routines.py 150 src
# A routine is a brace block after a closing parenthesis (not a control statement or a
# lambda) outside any other routine; its length counts the lines from "{" to "}".
import re,sys,os
def strip(s):
    out=[];i=0;n=len(s)
    while i<n:
        c=s[i]
        if s.startswith('//',i):
            j=s.find('\n',i); j=n if j<0 else j; out.append(' '*(j-i)); i=j
        elif s.startswith('/*',i):
            j=s.find('*/',i+2); j=n if j<0 else j+2; out.append(re.sub(r'[^\n]',' ',s[i:j])); i=j
        elif c=='"' or c=="'":
            j=i+1
            while j<n and s[j]!=c:
                if s[j]=='\\': j+=1
                j+=1
            out.append(c+re.sub(r'[^\n]',' ',s[i+1:j])+c); i=j+1
        else: out.append(c); i+=1
    return ''.join(out)
def name(s,st):
    pre=s[:st]
    k=pre.rfind(')')
    d=0;j=k
    while j>=0:
        if pre[j]==')': d+=1
        elif pre[j]=='(':
            d-=1
            if d==0: break
        j-=1
    m=re.search(r'([\w:~]+)\s*$',pre[:j])
    return m.group(1) if m else '?'
lim=int(sys.argv[1]); res=[]
for root,_,fs in os.walk(sys.argv[2]):
    for f in fs:
        if not f.endswith(('.cpp','.h')): continue
        p=os.path.join(root,f); s=strip(open(p).read())
        stack=[]
        for m in re.finditer(r'[{}]',s):
            if m.group()=='{':
                pre=s[:m.start()].rstrip()
                isfn = bool(re.search(r'\)\s*(const|noexcept|override|->\s*[\w:<>]+)?\s*$',pre)) and not re.search(r'\b(if|for|while|switch|catch)\s*\([^;{}]*\)\s*$',pre[-300:]) and not re.search(r'[=,(]\s*\[[^\]]*\]\s*\([^)]*\)\s*$',pre[-300:])
                infn=any(x[1] for x in stack)
                stack.append((m.start(), isfn and not infn))
            else:
                st,isfn=stack.pop()
                if isfn:
                    a=s.count('\n',0,st)+1; b=s.count('\n',0,m.start())+1
                    L=b-a+1
                    if L>lim: res.append((L,p,a,name(s,st)))
for r in sorted(res,reverse=True): print(*r)
