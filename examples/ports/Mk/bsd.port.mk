# A stand-in for the ports framework, enough for the example: it answers
# `make -V NAME` with expanded values, as FreeBSD's make does with the real
# framework.
.MAKE.EXPAND_VARIABLES= yes
DISTINFO_FILE?=	${.CURDIR}/distinfo
PORTVERSION?=	${DISTVERSION}
